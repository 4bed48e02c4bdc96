// Where the program's data files (start logo, help file, schematic drawings) are found: the
// working directory first, so a user can put their own copies beside PARAMS.TXT, then the data
// folder installed with the program, then the source tree's data folder for a run straight from
// the build directory. PARAMS.TXT is not a data file: it lives in the working directory only.
#pragma once

#include <QString>
#include <QStringList>

namespace loopcraft {

// Every place `name` is looked for, in order.
QStringList dataFileCandidates(const QString& name);
// The first candidate that exists, else the working-directory path (so a message can name it).
QString findDataFile(const QString& name);

} // namespace loopcraft

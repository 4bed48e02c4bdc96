// The data-file look-up of the engine (core/base/DataFiles.h) with Qt strings, for the windows.
#pragma once

#include <QString>
#include <QStringList>

namespace loopcraft {

QStringList dataFileCandidates(const QString& name);
QString findDataFile(const QString& name);

} // namespace loopcraft

#include "gui/base/DataFiles.h"

#include "core/base/DataFiles.h"

namespace loopcraft {

QStringList dataFileCandidates(const QString& name) {
    QStringList paths;
    for (const std::filesystem::path& p : dataFileCandidates(name.toStdString())) {
        paths << QString::fromStdString(p.string());
    }
    return paths;
}

QString findDataFile(const QString& name) {
    return QString::fromStdString(findDataFile(name.toStdString()).string());
}

} // namespace loopcraft

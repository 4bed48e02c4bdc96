#include "gui/app/DataFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace loopcraft {

QStringList dataFileCandidates(const QString& name) {
    QStringList paths{QDir::current().filePath(name)};
    if (QCoreApplication::instance() != nullptr) {
        const QDir appDir(QCoreApplication::applicationDirPath());
        paths << appDir.filePath(QStringLiteral("data/") + name)
              << appDir.filePath(QStringLiteral("../share/loopcraft/") + name);
    }
#ifdef LOOPCRAFT_DATA_DIR
    paths << QDir(QStringLiteral(LOOPCRAFT_DATA_DIR)).filePath(name);
#endif
    return paths;
}

QString findDataFile(const QString& name) {
    const QStringList paths = dataFileCandidates(name);
    for (const QString& path : paths) {
        if (QFileInfo(path).isFile()) {
            return path;
        }
    }
    return paths.front();
}

} // namespace loopcraft

#include "maintenance/opendocument.h"

#include "panels/standardbox.h"
#include "session/session.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace quelmar::maintenance {

int OpenDocument(Session& session, QString& file, QString& folder)
{
    session.errors.RoutineName = QStringLiteral("OpenDocument");
    QUrl url;
    if (file.contains(QLatin1String("://"))) {
        url = QUrl(file);
    } else {
        const QDir base = folder.isEmpty() ? session.shell.WorkingFolder : QDir(folder);
        const QString path = base.absoluteFilePath(file);
        if (file.isEmpty() || !QFileInfo::exists(path)) {
            panels::MessageBox(session, QStringLiteral("No se encuentra el archivo ") + file, QMessageBox::Ok,
                               QMessageBox::Warning, session.shell.AppName);
            return DocumentNotFound;
        }
        url = QUrl::fromLocalFile(path);
    }
    if (!QDesktopServices::openUrl(url)) {
        panels::MessageBox(session, QStringLiteral("No encuentro el programa para abrir ") + file,
                           QMessageBox::Ok, QMessageBox::Warning, session.shell.AppName);
        return NoProgramForDocument;
    }
    return DocumentOpened;
}

} // namespace quelmar::maintenance

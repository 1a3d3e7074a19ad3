#include "app/AboutBox.h"

#include "app/AppVersion.h"
#include "app/Branding.h"
#include "app/MainMenu.h"

#include <QMessageBox>
#include <QPointer>

namespace AboutBox {

void show(const MainMenu& mainMenu) {
    static QPointer<QMessageBox> box;
    if (!box) {
        box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("About Palimo"),
                              QStringLiteral("<b>Palimo</b>"), QMessageBox::Close);
        box->setInformativeText(
            QStringLiteral("Version %1 (%2)").arg(AppVersion::shortVersion(), AppVersion::build()));
        if (const std::optional<QIcon> mark = Branding::markImage()) {
            box->setIconPixmap(mark->pixmap(64, 64));
        }
        box->setWindowModality(Qt::NonModal);
        box->setAttribute(Qt::WA_DeleteOnClose);
        mainMenu.install(box);
    }
    box->show();
    box->raise();
    box->activateWindow();
}

} // namespace AboutBox

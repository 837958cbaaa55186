#include "platform/opengl/WindowsFonts.h"

#include <QFont>
#include <QString>

void InstallWindowsFontSubstitutes() {
    static const bool installed = [] {
        QFont::insertSubstitution(QStringLiteral(u"ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
        for (const QString& face :
             {QStringLiteral(u"ＭＳ Ｐゴシック"), QStringLiteral("MS UI Gothic"),
              QStringLiteral("MS Shell Dlg")}) {
            QFont::insertSubstitution(face, QStringLiteral("IPAPGothic"));
        }
        return true;
    }();
    static_cast<void>(installed);
}

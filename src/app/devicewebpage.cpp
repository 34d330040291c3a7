#include "devicewebpage.h"

#include "apptexts.h"
#include "base/language.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

void OpenDeviceWebPage(QWidget* parent, const Language& language, const QString& deviceIP)
{
    if (QDesktopServices::openUrl(QUrl(QStringLiteral("http://") + deviceIP)))
        return;
    QMessageBox::warning(parent, language.GetLanguageText(apptext::kWizardCaption),
                         language.GetLanguageText(apptext::kNoBrowser) + QStringLiteral("\r\n")
                             + language.GetLanguageText(apptext::kStartBrowserYourself));
}

QString LinkAddress(int index)
{
    return index == 1 ? QStringLiteral("https://www.ostrand.example/") : QStringLiteral("https://www.kalvix.example/");
}

void OpenLinkAddress(int index)
{
    QDesktopServices::openUrl(QUrl(LinkAddress(index)));
}

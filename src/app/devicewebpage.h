#pragma once

#include <QString>

class Language;
class QWidget;

// Opens "http://" + the device's address in the default browser; warns with
// texts 901 and 902 when no browser could be started.
void OpenDeviceWebPage(QWidget* parent, const Language& language, const QString& deviceIP);

// Opens one of the two web sites named on the welcome page's link labels.
void OpenLinkAddress(int index);

// The web sites behind the welcome page's link labels.
QString LinkAddress(int index);

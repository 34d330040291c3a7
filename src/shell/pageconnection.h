#pragma once

#include "base/settingkeys.h"

#include <QString>

class QWidget;
struct WizardContext;

// The gateway connection of the feature, Modbus and ASCII pages.

// Loads the task's timings and counts the quiet time from now, as the page
// is prepared.
void PrepareLinkTimings(WizardContext& context, const ini::LinkTimingKeys& keys);

// Opens the connection the connection page left in the settings, with the
// window disabled meanwhile; true when it is open.
bool OpenPageConnection(WizardContext& context, QWidget* window);

// Text 158, then the separator and the socket's words when it reported any.
QString ConnectionFailureText(const WizardContext& context, const QString& separator);

#pragma once

#include "base/settingkeys.h"

#include <QString>

class QPushButton;
class QWidget;
class ResultLabel;
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

// Entering the Modbus or ASCII page: open the connection; on success empty
// the result label and enable Read, otherwise show the failure in dark red
// and disable Read. True when the connection is open.
bool EnterReadPage(WizardContext& context, QWidget* window, ResultLabel* result, QPushButton* read);

#pragma once

#include <QString>

// The adapter choice that means "this computer has no usable network
// adapter"; the pages that need the LAN refuse to open then.
inline const QString kNoAdapter = QStringLiteral("NO_ADAPTER");

// Where the wizard stands: page, task and the devices chosen so far.
struct WizardState {
    qint16 CurrentPage = 0;
    qint16 JumpPage = 0; // when not 0, the next Next goes here
    qint16 WhatToDo = 0; // the chosen task, 0-6
    QString SelectedDeviceIP;
    QString SelectedDeviceMAC;
    qint16 SelectedDeviceType = 0; // the DeviceType of its discovery answer, 0 unknown
    QString SelectedAdapterIP;
    QString SelectedAdapterDescription;
    int AdapterCount = 0; // network adapters counted at start-up
};

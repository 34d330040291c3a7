#include "pageconnection.h"

#include "busyguard.h"
#include "shelltexts.h"
#include "wizardcontext.h"
#include "comm/connectionrequest.h"


void PrepareLinkTimings(WizardContext& context, const ini::LinkTimingKeys& keys)
{
    context.link.LoadTimings(context.ini, keys);
    context.link.MarkReceived();
}

bool OpenPageConnection(WizardContext& context, QWidget* window)
{
    const BusyGuard busy(window);
    const ConnectionRequest request = ConnectionRequestFromSettings(context.settings, context.state.WhatToDo);
    return context.connection.OpenConnection(request, context.link.OpenTimeout);
}

QString ConnectionFailureText(const WizardContext& context, const QString& separator)
{
    QString text = context.language.GetLanguageText(shelltext::kConnectionNotOpened);
    const QString& error = context.connection.LastSocketError();
    if (!error.isEmpty())
        text += separator + error;
    return text;
}

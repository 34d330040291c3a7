#pragma once

#include "wizardcontext.h"

// The long-lived objects of one run of the wizard, made in the order they
// refer to each other, and the context that hands them to the pages. The
// program makes one; a test or a benchmark makes one over files of its own.
class WizardSession {
public:
    WizardSession(Settings settings, IniFile ini, QString appPath)
        : m_Settings(std::move(settings)), m_Ini(std::move(ini)),
          m_Context{m_Settings, m_Ini, m_Language, m_State, m_Log, m_Operations, m_Connection, m_Link, m_Fcb, std::move(appPath)}
    {
    }
    // The context's parts refer to each other.
    WizardSession(const WizardSession&) = delete;
    WizardSession& operator=(const WizardSession&) = delete;

    WizardContext& Context() { return m_Context; }

private:
    Settings m_Settings;
    IniFile m_Ini;
    Language m_Language;
    WizardState m_State;
    TrafficLog m_Log;
    DeviceOperations m_Operations;
    Connection m_Connection{m_Ini, m_Log, m_Operations};
    Link m_Link{m_Connection, m_Log};
    FcbState m_Fcb;
    WizardContext m_Context;
};

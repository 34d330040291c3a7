#pragma once

#include "base/inifile.h"

#include <QDialog>
#include <array>
#include <functional>

class Language;
class QLabel;
class QLineEdit;
class QPushButton;

// The communication timeouts of the INI file, ten rows of them, with the
// factory values to go back to. Modeless, beside the log window.
class Ostrand_Timeouts : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRows = 10;
    // Where each row's value lives, with its factory value.
    static const std::array<IniKey, kRows>& RowKeys();

    // timingsWritten reloads the timings in use after the values were written.
    Ostrand_Timeouts(IniFile& ini, const Language& language, std::function<void()> timingsWritten,
                     QWidget* parent = nullptr);

    void ReadAllTimeouts();
    // Stores every row in one write; false (nothing stored) when a row holds
    // no whole number of milliseconds, which is then marked and named.
    bool WriteAllTimeouts();

    std::array<QLabel*, kRows> Label_Timeout{};
    std::array<QLineEdit*, kRows> Text_Timeout{};
    std::array<QLabel*, kRows> Label_Unit{};
    QPushButton* Command_OK = nullptr;
    QPushButton* Command_Apply = nullptr;
    QPushButton* Command_Cancel = nullptr;
    QPushButton* Command_FactoryDefaults = nullptr;

private:
    QLayout* BuildRows();
    QLayout* BuildButtons();
    void SetTexts(const Language& language);
    void Command_FactoryDefaults_Click();

    IniFile& m_Ini;
    const Language& m_Language;
    std::function<void()> m_TimingsWritten;
};

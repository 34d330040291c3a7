#pragma once

#include "base/settingkeys.h"

#include <QWidget>
#include <array>

class IniFile;
class Language;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class Settings;

// Edits the two sets of search timeouts (Aspen and Birch gateways, SND_NKE
// and REQ_UD2 at 300, 2400 and 9600 bps) and chooses the active set.
// Modeless; opened from the log window's Tools menu.
class Ostrand_SearchTimeouts : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRows = 6;

    Ostrand_SearchTimeouts(IniFile& ini, Settings& settings, const Language& language, QWidget* parent = nullptr);

    // The set the dialog has chosen, saved or not.
    ini::SearchGateway ActiveType() const;

    void ReadAllTimeouts();
    // Stores every box as it stands; false (nothing stored) when a box
    // holds no whole number, which is then shown and focused.
    bool WriteAllTimeouts();
    void SaveActiveSetting();

    void Command_OK_Click();
    void Command_Apply_Click();
    void Command_Cancel_Click();
    void Command_FactoryDefaults_Click();

    QPushButton* Command_OK = nullptr;
    QPushButton* Command_Apply = nullptr;
    QPushButton* Command_Cancel = nullptr;
    QPushButton* Command_FactoryDefaults = nullptr;
    QLabel* lblAspenHeader = nullptr;
    QLabel* lblBirchHeader = nullptr;
    QLabel* lblFunctionBaud = nullptr;
    QLabel* lblActivSetting = nullptr;
    std::array<QLabel*, kRows> lblSort{};
    std::array<QLabel*, kRows> lblFunction{};
    std::array<QLineEdit*, kRows> txtAspen{};
    std::array<QLineEdit*, kRows> txtBirch{};
    std::array<QRadioButton*, 2> optActiveSetting{};

signals:
    // The boxes were stored: the search window's timeout captions follow.
    void timeoutsWritten();

private:
    void BuildWindow();
    void SetTexts();
    bool RefuseNonNumeric();

    IniFile& m_Ini;
    Settings& m_Settings;
    const Language& m_Language;
};

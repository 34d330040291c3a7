#pragma once

#include "flashanimation.h"
#include "shell/wizardpage.h"

#include <array>

class InfoBox;
class QLabel;
class QPushButton;
class QVBoxLayout;
class SvgPicture;

// Page 0: the greeting, the version, the language and demo buttons and two
// web links, with the logo and its three flickering lights on the left.
class WelcomePage : public WizardPage {
    Q_OBJECT
public:
    explicit WelcomePage(WizardHost& host, QWidget* parent = nullptr);

    void Startup() override;
    void PlaceLogo(QWidget* logo) override;
    // In demo mode the site is listed, with the button that ends the demo;
    // otherwise the demo button is shown where the wizard can start the demo.
    void ShowDemo(const QString& site, bool offered);

    // Moves the three lights (Picture_Info(1) to (3)) where the animation says.
    void ShowLights(const std::array<FlashAnimation::Light, 3>& lights);

    QLabel* Label_Header = nullptr;
    InfoBox* Text_Info = nullptr;
    QLabel* Label_Version = nullptr;
    QPushButton* Command_ChangeLanguage = nullptr;
    QPushButton* Command_Demo = nullptr;
    QLabel* Label_Demo = nullptr;        // in demo mode: the simulated site
    QPushButton* Command_EndDemo = nullptr; // in demo mode: back to the real site
    std::array<QLabel*, 2> Label_Link{};
    std::array<SvgPicture*, 3> Picture_Info{};

signals:
    void changeLanguageRequested();
    void demoRequested();
    void endDemoRequested();

private:
    QVBoxLayout* m_LogoSlot = nullptr;
    QWidget* m_LightPanel = nullptr;
};

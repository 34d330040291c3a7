#pragma once

#include <QWidget>

#include <functional>

class InfoBox;
class QAbstractButton;
class QBoxLayout;
class QHBoxLayout;
class QLabel;
class QVBoxLayout;
class WizardHost;
struct WizardContext;

// One page of the wizard (Picture_Page(n)). Every page but the welcome page
// has a header strip (Picture_Header(n)) with its title (Label_Header(n)) and
// room for the logo, an etched line below it, and its body.
//
// The wizard calls, in this order: Startup once when the window loads (select
// the stored options, set the language texts, fill fixed lists); Prepare when
// the page is about to be shown (fill controls from the settings); Enter once
// it is visible (the page's entry action); AcceptNext when Next is pressed;
// Leave when it is left (save).
class WizardPage : public QWidget {
    Q_OBJECT
public:
    WizardPage(int number, WizardHost& host, QWidget* parent = nullptr);

    int Number() const { return m_Number; }

    virtual void Startup() {}
    virtual void Prepare(bool back, bool forward);
    virtual void Enter(bool back, bool forward);
    virtual void Leave(bool back, bool forward);
    // Asked when Next is pressed, before the page is left: false keeps the
    // wizard on the page, which has told the user why.
    virtual bool AcceptNext() { return true; }

    QLabel* HeaderLabel() const { return m_HeaderLabel; }
    // Moves the wizard's logo into this page's place for it.
    virtual void PlaceLogo(QWidget* logo);

protected:
    WizardHost& Host() const { return m_Host; }
    WizardContext& Context() const;
    QString GetLanguageText(int id) const;

    // The layout below the header strip that the page fills.
    QVBoxLayout* Body() const { return m_Body; }

    // A new information box Text_Info(index) added to the layout.
    InfoBox* AddInfo(int index, QBoxLayout* layout, int stretch = 0);
    // A click on the info text beside an option selects the option, gives it
    // the focus and runs its handler, as a click on the option itself would.
    void LinkInfoToOption(InfoBox* info, QAbstractButton* option, std::function<void()> onChosen);
    // "Name(index)", the object name of an element of a control array.
    static QString ElementName(const QString& name, int index);

private:
    int m_Number;
    WizardHost& m_Host;
    QWidget* m_HeaderStrip = nullptr;
    QLabel* m_HeaderLabel = nullptr;
    QHBoxLayout* m_LogoSlot = nullptr;
    QVBoxLayout* m_Body = nullptr;
};

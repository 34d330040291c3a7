#pragma once

#include "shell/wizardhost.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QStringList>
#include <QTest>
#include <QWidget>

#include "testenvironment.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>

// Stands in for the wizard window around a page: remembers what the page
// asked of it.
class FakeWizardHost : public WizardHost {
public:
    explicit FakeWizardHost(WizardContext& context)
        : m_Context(context)
    {
    }

    WizardContext& Context() override { return m_Context; }
    QWidget* Window() override { return nullptr; }
    void SetNextEnabled(bool enabled) override { nextEnabled = enabled; }
    void SetBackEnabled(bool enabled) override { backEnabled = enabled; }
    void SetCancelEnabled(bool enabled) override { cancelEnabled = enabled; }
    void SetNextCaption(const QString& caption) override { nextCaption = caption; }
    bool IsNextEnabled() const override { return nextEnabled; }
    void ActAsNext() override { ++actAsNext; }
    void ToggleDebugWindow() override { ++debugToggles; }
    Ostrand_Debug* DebugWindow() override { return debugWindow; }

    bool nextEnabled = true;
    bool backEnabled = true;
    bool cancelEnabled = true;
    QString nextCaption;
    int actAsNext = 0;
    int debugToggles = 0;
    Ostrand_Debug* debugWindow = nullptr; // a test's own log window, when it wants one

private:
    WizardContext& m_Context;
};

// The one control of that name on the page; throws when there is none or
// more than one, so a test fails on a misnamed control.
template <typename Widget = QWidget>
Widget* UniqueControl(const QWidget& page, const QString& name)
{
    const QList<QWidget*> found = page.findChildren<QWidget*>(name);
    if (found.size() != 1)
        throw std::runtime_error(std::to_string(found.size()) + " controls named " + name.toStdString());
    auto* widget = qobject_cast<Widget*>(found.front());
    if (!widget)
        throw std::runtime_error("control " + name.toStdString() + " is of another kind");
    return widget;
}

// Every caption, title, list entry and tool tip on the page that names a
// text the language file does not have.
inline QStringList UnknownLanguageTexts(const QWidget& page)
{
    QStringList texts;
    for (const QWidget* widget : page.findChildren<QWidget*>()) {
        texts << widget->toolTip();
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
            texts << button->text();
        else if (const auto* label = qobject_cast<const QLabel*>(widget))
            texts << label->text();
        else if (const auto* frame = qobject_cast<const QGroupBox*>(widget))
            texts << frame->title();
        else if (const auto* list = qobject_cast<const QComboBox*>(widget))
            for (int i = 0; i < list->count(); ++i)
                texts << list->itemText(i);
    }
    return texts.filter(QStringLiteral("Invalid Text ("));
}

// A page working for host; the network pages take the records and LAN
// targets beside it.
template <typename Page>
std::unique_ptr<Page> MakePage(WizardHost& host, NetworkContext& network)
{
    if constexpr (std::is_constructible_v<Page, WizardHost&, NetworkContext&>)
        return std::make_unique<Page>(host, network);
    else
        return std::make_unique<Page>(host);
}

// Pages as the wizard has them, with a language, a store and a fake wizard
// of the test's own.
class WizardPageTest : public ::testing::Test {
protected:
    WizardPageTest() { env.UseLanguage(); }

    // A page as the wizard has it once its window has loaded.
    template <typename Page>
    std::unique_ptr<Page> LoadedPage()
    {
        auto page = MakePage<Page>(host, env.Network());
        page->Startup();
        return page;
    }

    // Loaded and on screen, for a test that clicks into its lists.
    template <typename Page>
    std::unique_ptr<Page> ShownPage()
    {
        auto page = LoadedPage<Page>();
        page->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(page.get()));
        return page;
    }

    TestEnvironment env;
    FakeWizardHost host{env.Context()};
};

// The tests of one page.
template <typename Page>
class LoadedPageTest : public WizardPageTest {
protected:
    std::unique_ptr<Page> LoadedPage() { return WizardPageTest::LoadedPage<Page>(); }
};

// The texts of a list's entries, in order.
inline QStringList Entries(const QComboBox* list)
{
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->itemText(i);
    return entries;
}

#include "welcomepage.h"

#include "apptexts.h"
#include "devicewebpage.h"
#include "shell/infobox.h"
#include "svgpicture.h"
#include "base/version.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// The lights' positions are given in twips of the original panel; the panel
// drawn here is three times that scale so the lights are visible.
constexpr double kPixelsPerTwip = 0.2;
constexpr int kLightSize = 10;

// A link label reached by Tab takes the focus onto its link at once. On its
// own a label stops Tab twice, first with nothing shown as focused, then on
// the link.
class FocusOntoLink : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* label = qobject_cast<QLabel*>(watched);
        if (label && event->type() == QEvent::FocusIn && !label->hasSelectedText()) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) {
                // The label's own Tab handling moves onto its link, the first from before, the last from after.
                const int key = reason == Qt::TabFocusReason ? Qt::Key_Tab : Qt::Key_Backtab;
                QCoreApplication::postEvent(label, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
            }
        }
        return QObject::eventFilter(watched, event);
    }
};
} // namespace

WelcomePage::WelcomePage(WizardHost& host, QWidget* parent)
    : WizardPage(0, host, parent)
{
    auto* columns = new QHBoxLayout;
    columns->setSpacing(16);
    Body()->addLayout(columns, 1);

    auto* pictureColumn = new QVBoxLayout;
    m_LogoSlot = new QVBoxLayout;
    pictureColumn->addLayout(m_LogoSlot);
    m_LightPanel = new QWidget(this);
    m_LightPanel->setObjectName(QStringLiteral("Picture_InfoPanel"));
    m_LightPanel->setFixedSize(40, kLightSize + 4);
    for (int i = 0; i < 3; ++i) {
        auto* light = new SvgPicture(QStringLiteral(":/pictures/flash%1.svg").arg(i + 1), {kLightSize, kLightSize},
                                     m_LightPanel);
        light->setObjectName(ElementName(QStringLiteral("Picture_Info"), i + 1));
        light->move(FlashAnimation::kHiddenLeft * kPixelsPerTwip, 2);
        Picture_Info[static_cast<size_t>(i)] = light;
    }
    pictureColumn->addWidget(m_LightPanel, 0, Qt::AlignLeft);
    pictureColumn->addStretch(1);
    columns->addLayout(pictureColumn);

    auto* textColumn = new QVBoxLayout;
    Label_Header = new QLabel(this);
    Label_Header->setObjectName(ElementName(QStringLiteral("Label_Header"), 0));
    Label_Header->setWordWrap(true);
    QFont title = Label_Header->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.4);
    Label_Header->setFont(title);
    textColumn->addWidget(Label_Header);
    Text_Info = AddInfo(0, textColumn, 1);
    Text_Info->SetMaximumAutoHeight(400);

    Label_Version = new QLabel(QStringLiteral("Version "), this);
    Label_Version->setObjectName(QStringLiteral("Label_Version"));
    textColumn->addWidget(Label_Version);

    Command_ChangeLanguage = new QPushButton(this);
    Command_ChangeLanguage->setObjectName(QStringLiteral("Command_ChangeLanguage"));
    connect(Command_ChangeLanguage, &QPushButton::clicked, this, &WelcomePage::changeLanguageRequested);
    // In demo mode the button that ends it goes beside, where the page has room.
    auto* languageRow = new QHBoxLayout;
    languageRow->addWidget(Command_ChangeLanguage);
    textColumn->addLayout(languageRow);

    Command_Demo = new QPushButton(this);
    Command_Demo->setObjectName(QStringLiteral("Command_Demo"));
    connect(Command_Demo, &QPushButton::clicked, this, &WelcomePage::demoRequested);
    textColumn->addWidget(Command_Demo, 0, Qt::AlignLeft);
    Command_Demo->hide(); // until the wizard offers the demo
    Label_Demo = new QLabel(this);
    Label_Demo->setObjectName(QStringLiteral("Label_Demo"));
    Label_Demo->setWordWrap(true);
    Label_Demo->hide();
    textColumn->addWidget(Label_Demo);
    Command_EndDemo = new QPushButton(this);
    Command_EndDemo->setObjectName(QStringLiteral("Command_EndDemo"));
    connect(Command_EndDemo, &QPushButton::clicked, this, &WelcomePage::endDemoRequested);
    languageRow->addWidget(Command_EndDemo);
    languageRow->addStretch(1);
    Command_EndDemo->hide(); // in demo mode only

    auto* focusOntoLink = new FocusOntoLink(this);
    for (int i = 0; i < 2; ++i) {
        auto* link = new QLabel(this);
        link->installEventFilter(focusOntoLink);
        link->setObjectName(ElementName(QStringLiteral("Label_Link"), i));
        link->setCursor(Qt::PointingHandCursor);
        link->setTextFormat(Qt::RichText);
        link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        connect(link, &QLabel::linkActivated, this, [i] { OpenLinkAddress(i); });
        textColumn->addWidget(link, 0, Qt::AlignLeft);
        Label_Link[static_cast<size_t>(i)] = link;
    }
    columns->addLayout(textColumn, 1);
}

void WelcomePage::Startup()
{
    Label_Header->setText(GetLanguageText(apptext::kWelcomeHeader));
    Text_Info->SetText(GetLanguageText(apptext::kWelcomeInfo));
    Command_ChangeLanguage->setText(GetLanguageText(apptext::kChangeLanguage));
    Command_Demo->setText(GetLanguageText(apptext::kDemoButton));
    Command_Demo->setToolTip(GetLanguageText(apptext::kDemoInfo));
    Command_EndDemo->setText(GetLanguageText(apptext::kEndDemo));
    Command_EndDemo->setToolTip(GetLanguageText(apptext::kEndDemoInfo));
    // The lights look like a status; they are not one.
    m_LightPanel->setToolTip(GetLanguageText(apptext::kLightsMeaning));
    Label_Version->setText(Label_Version->text() + kVersionText);
    for (int i = 0; i < 2; ++i) {
        const QString address = LinkAddress(i);
        QString shown = address;
        shown.remove(QStringLiteral("https://"));
        if (shown.endsWith(u'/'))
            shown.chop(1);
        Label_Link[static_cast<size_t>(i)]->setText(QStringLiteral("<a href=\"%1\">%2</a>").arg(address, shown));
    }
}

void WelcomePage::ShowDemo(const QString& site, bool offered)
{
    Command_Demo->setVisible(offered && site.isEmpty());
    Label_Demo->setText(site);
    Label_Demo->setVisible(!site.isEmpty());
    Command_EndDemo->setVisible(!site.isEmpty());
}

void WelcomePage::PlaceLogo(QWidget* logo)
{
    m_LogoSlot->addWidget(logo, 0, Qt::AlignLeft | Qt::AlignTop);
}

void WelcomePage::ShowLights(const std::array<FlashAnimation::Light, 3>& lights)
{
    for (size_t i = 0; i < lights.size(); ++i) {
        const int left = static_cast<int>((lights[i].shown ? lights[i].left : FlashAnimation::kHiddenLeft) * kPixelsPerTwip);
        Picture_Info[i]->move(left, Picture_Info[i]->y());
    }
}

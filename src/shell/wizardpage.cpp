#include "wizardpage.h"

#include "etchedline.h"
#include "infobox.h"
#include "wizardcontext.h"
#include "wizardhost.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

WizardPage::WizardPage(int number, WizardHost& host, QWidget* parent)
    : QWidget(parent)
    , m_Number(number)
    , m_Host(host)
{
    setObjectName(ElementName(QStringLiteral("Picture_Page"), number));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    if (number != 0) {
        m_HeaderStrip = new QWidget(this);
        m_HeaderStrip->setObjectName(ElementName(QStringLiteral("Picture_Header"), number));
        m_HeaderStrip->setAutoFillBackground(true);
        QPalette palette = m_HeaderStrip->palette();
        palette.setColor(QPalette::Window, Qt::white);
        palette.setColor(QPalette::WindowText, QColor(0x20, 0x20, 0x20));
        m_HeaderStrip->setPalette(palette);
        auto* header = new QHBoxLayout(m_HeaderStrip);
        header->setContentsMargins(12, 4, 6, 4);
        m_HeaderLabel = new QLabel(m_HeaderStrip);
        m_HeaderLabel->setObjectName(ElementName(QStringLiteral("Label_Header"), number));
        m_HeaderLabel->setWordWrap(true);
        QFont bold = m_HeaderLabel->font();
        bold.setBold(true);
        bold.setPointSizeF(bold.pointSizeF() * 1.1);
        m_HeaderLabel->setFont(bold);
        header->addWidget(m_HeaderLabel, 1);
        m_LogoSlot = new QHBoxLayout;
        m_LogoSlot->setContentsMargins(0, 0, 0, 0);
        header->addLayout(m_LogoSlot);
        outer->addWidget(m_HeaderStrip);
        outer->addWidget(new EtchedLine(this));
    }
    m_Body = new QVBoxLayout;
    m_Body->setContentsMargins(14, 10, 14, 8);
    m_Body->setSpacing(6);
    outer->addLayout(m_Body, 1);
}

void WizardPage::Prepare(bool, bool) {}
void WizardPage::Enter(bool, bool) {}
void WizardPage::Leave(bool, bool) {}

void WizardPage::PlaceLogo(QWidget* logo)
{
    if (m_LogoSlot)
        m_LogoSlot->addWidget(logo, 0, Qt::AlignRight | Qt::AlignVCenter);
}

WizardContext& WizardPage::Context() const
{
    return m_Host.Context();
}

QString WizardPage::GetLanguageText(int id) const
{
    return Context().language.GetLanguageText(id);
}

InfoBox* WizardPage::AddInfo(int index, QBoxLayout* layout, int stretch)
{
    auto* box = new InfoBox(this);
    box->setObjectName(ElementName(QStringLiteral("Text_Info"), index));
    layout->addWidget(box, stretch);
    return box;
}

void WizardPage::LinkInfoToOption(InfoBox* info, QAbstractButton* option, std::function<void()> onChosen)
{
    connect(info, &InfoBox::clicked, this, [option, onChosen = std::move(onChosen)] {
        option->setChecked(true);
        option->setFocus(Qt::MouseFocusReason);
        onChosen();
    });
}

QString WizardPage::ElementName(const QString& name, int index)
{
    return name + u'(' + QString::number(index) + u')';
}

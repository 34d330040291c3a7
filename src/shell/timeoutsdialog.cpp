#include "timeoutsdialog.h"

#include "base/language.h"
#include "comm/commtexts.h"
#include "shell/pagecontrols.h"
#include "base/settingkeys.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Room for the longest factory value and a few more digits.
constexpr int kValueDigits = 7;

} // namespace

const std::array<IniKey, Ostrand_Timeouts::kRows>& Ostrand_Timeouts::RowKeys()
{
    static const std::array<IniKey, kRows> keys = {
        ini::IP_ScanTimeOut,
        ini::IP_UDPTimeOut,
        ini::IP_ResetTimeOut,
        ini::IP_WriteTimeOut,
        ini::IP_OpenTimeOut,
        ini::IP_SerialTimeOut,
        ini::IP_BusDelay,
        ini::IP_BusTimeOut,
        // the same keys the pages read ("BusTimeout"): names match without regard to case
        IniKey{ini::ModBus_BusTimeout.section, QStringLiteral("BusTimeOut"), ini::ModBus_BusTimeout.defaultValue},
        IniKey{ini::MBusASCII_BusTimeout.section, QStringLiteral("BusTimeOut"), ini::MBusASCII_BusTimeout.defaultValue},
    };
    return keys;
}

Ostrand_Timeouts::Ostrand_Timeouts(IniFile& ini, const Language& language, std::function<void()> timingsWritten,
                                   QWidget* parent)
    : QDialog(parent)
    , m_Ini(ini)
    , m_Language(language)
    , m_TimingsWritten(std::move(timingsWritten))
{
    setObjectName(QStringLiteral("Ostrand_Timeouts"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(BuildRows());
    layout->addStretch(1);
    layout->addLayout(BuildButtons());
    SetTexts(language);
    ReadAllTimeouts();

    connect(Command_OK, &QPushButton::clicked, this, [this] {
        if (WriteAllTimeouts())
            close();
    });
    connect(Command_Apply, &QPushButton::clicked, this, [this] {
        if (WriteAllTimeouts())
            ReadAllTimeouts(); // the boxes show what the file now holds
    });
    connect(Command_Cancel, &QPushButton::clicked, this, &QWidget::close);
    connect(Command_FactoryDefaults, &QPushButton::clicked, this, [this] { Command_FactoryDefaults_Click(); });
}

QLayout* Ostrand_Timeouts::BuildRows()
{
    auto* grid = new QGridLayout;
    for (int i = 0; i < kRows; ++i) {
        const auto row = static_cast<size_t>(i);
        Label_Timeout[row] = Named(new QLabel(this), QStringLiteral("Label_Timeout(%1)").arg(i));
        Text_Timeout[row] = Named(new QLineEdit(this), QStringLiteral("Text_Timeout(%1)").arg(i));
        Label_Unit[row] = Named(new QLabel(this), QStringLiteral("Label_Unit(%1)").arg(i));
        FitWidthToDigits(Text_Timeout[row], kValueDigits);
        Text_Timeout[row]->setAlignment(Qt::AlignRight);
        Label_Timeout[row]->setBuddy(Text_Timeout[row]);
        grid->addWidget(Label_Timeout[row], i, 0);
        grid->addWidget(Text_Timeout[row], i, 1);
        grid->addWidget(Label_Unit[row], i, 2);
    }
    grid->setColumnStretch(0, 1);
    return grid;
}

QLayout* Ostrand_Timeouts::BuildButtons()
{
    const auto button = [this](const char* name) { return CommandButton(this, QLatin1String(name)); };
    Command_OK = button("Command_OK");
    Command_OK->setDefault(true);
    Command_Apply = button("Command_Apply");
    Command_Cancel = button("Command_Cancel");
    Command_FactoryDefaults = button("Command_FactoryDefaults");
    auto* row = new QHBoxLayout;
    row->addWidget(Command_FactoryDefaults);
    row->addStretch(1);
    row->addWidget(Command_OK);
    row->addWidget(Command_Apply);
    row->addWidget(Command_Cancel);
    return row;
}

void Ostrand_Timeouts::SetTexts(const Language& language)
{
    setWindowTitle(language.GetLanguageText(commtext::kTimeoutsCaption));
    Command_OK->setText(language.GetLanguageText(commtext::kOk));
    Command_Apply->setText(language.GetLanguageText(commtext::kApply));
    Command_Cancel->setText(language.GetLanguageText(commtext::kCancel));
    Command_FactoryDefaults->setText(language.GetLanguageText(commtext::kFactoryDefaults));
    for (int i = 0; i < kRows; ++i) {
        const auto row = static_cast<size_t>(i);
        Label_Timeout[row]->setText(language.GetLanguageText(commtext::kFirstTimeoutCaption + i));
        Text_Timeout[row]->setToolTip(language.GetLanguageText(commtext::kFirstTimeoutTip + i));
        Label_Unit[row]->setText(language.GetLanguageText(commtext::kMilliseconds));
    }
}

void Ostrand_Timeouts::ReadAllTimeouts()
{
    for (size_t row = 0; row < Text_Timeout.size(); ++row)
        Text_Timeout[row]->setText(m_Ini.Read(RowKeys()[row]));
}

bool Ostrand_Timeouts::WriteAllTimeouts()
{
    // A text that is no number would later mean a zero wait: refused, with
    // the rows that hold one named and marked.
    QList<std::pair<QLineEdit*, QString>> fields;
    for (size_t row = 0; row < Text_Timeout.size(); ++row)
        fields.append({Text_Timeout[row], Label_Timeout[row]->text().remove(u'&')});
    const QStringList refused = RefuseNonWholeMilliseconds(fields);
    if (!refused.isEmpty()) {
        QMessageBox::warning(this, windowTitle(),
                             m_Language.GetLanguageText(commtext::kNotANumber) + u'\n'
                                 + m_Language.GetLanguageText(commtext::kRefused) + u' '
                                 + refused.join(QStringLiteral(", ")));
        return false;
    }
    // all rows in one replacement of the file
    QList<std::pair<IniKey, QString>> values;
    for (size_t row = 0; row < Text_Timeout.size(); ++row)
        values.append({RowKeys()[row], Text_Timeout[row]->text().trimmed()});
    m_Ini.WriteValues(values);
    if (m_TimingsWritten)
        m_TimingsWritten();
    return true;
}

void Ostrand_Timeouts::Command_FactoryDefaults_Click()
{
    for (size_t row = 0; row < Text_Timeout.size(); ++row)
        Text_Timeout[row]->setText(RowKeys()[row].defaultValue);
}

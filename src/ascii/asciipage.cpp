#include "asciipage.h"

#include "asciiclient.h"
#include "asciiitemfile.h"
#include "asciitexts.h"
#include "shell/fileerrordialog.h"
#include "shell/savefiledialog.h"
#include "base/textnumber.h"
#include "shell/wizardcontext.h"

#include "shell/infobox.h"
#include "shell/pagecontrols.h"
#include "base/pageflow.h"
#include "shell/resultlabel.h"
#include "shell/wizardhost.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

int LoadFailureText(AsciiItemFileFormat format)
{
    return asciitext::kFirstLoadText + 2 * static_cast<int>(format);
}

int LoadSuccessText(AsciiItemFileFormat format)
{
    return LoadFailureText(format) + 1;
}

int LineRuleText(AsciiItemFileFormat format)
{
    return asciitext::kFirstLineRule + static_cast<int>(format);
}

} // namespace

AsciiPage::AsciiPage(WizardHost& host, QWidget* parent)
    : ReadPage(page::MBusAscii, ini::kAsciiTimings, host, parent)
    , m_Client(std::make_shared<AsciiClient>(Context().connection, Context().link, Context().log))
{
    chooseItemFile = [this] {
        return ChooseOpenFileName(Host().Window(), Context().settings, FileKind::AsciiItems,
                                  GetLanguageText(asciitext::kGetItemFileTitle), Context().appPath);
    };
    chooseSaveFile = [this] {
        return ChooseSaveFileName(Host().Window(), Context().settings, FileKind::AsciiItems,
                                  GetLanguageText(asciitext::kSaveItemFileTitle));
    };
    Text_Info = AddInfo(page::MBusAscii, Body());
    Text_Info->SetMaximumAutoHeight(3 * fontMetrics().lineSpacing() + 6);
    Body()->addLayout(BuildItem());
    Body()->addLayout(BuildStationAndFiles());
    Body()->addStretch(1);
    Body()->addLayout(BuildResultRow());
    connect(Command_MBusAscii_MeterFeature_Debug, &QPushButton::clicked, this, [this] { Host().ToggleDebugWindow(); });
    connect(Command_MBusAscii_MeterFeature_Read, &QPushButton::clicked, this,
            [this] { Command_MBusAscii_MeterFeature_Read_Click(); });
    connect(cmdMBusAsciiGetFile, &QPushButton::clicked, this, [this] { LoadAsciiItemFile(); });
    connect(cmdMBusAsciiSaveFile, &QPushButton::clicked, this, [this] { SaveAsciiItemFile(); });
    connect(txtMBusAsciiStationID, &QLineEdit::textChanged, this, [this] { txtMBusAsciiStationID_Change(); });
}

AsciiPage::~AsciiPage() = default;

QLayout* AsciiPage::BuildItem()
{
    lblMBusAsciiTagName = Named(new QLabel(this), QStringLiteral("lblMBusAsciiTagName"));
    cboMBusAsciiTagName = Named(new QComboBox(this), QStringLiteral("cboMBusAsciiTagName"));
    cboMBusAsciiTagName->setEditable(true);
    // A typed name is read, not added to the list: the list is what the item
    // files hold.
    cboMBusAsciiTagName->setInsertPolicy(QComboBox::NoInsert);
    cboMBusAsciiTagName->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboMBusAsciiTagName->setMinimumContentsLength(16);
    lblMBusAsciiValue = Named(new QLabel(this), QStringLiteral("lblMBusAsciiValue"));
    txtMBusAsciiValue = Named(new QLineEdit(this), QStringLiteral("txtMBusAsciiValue"));
    lblMBusAsciiProtocol = Named(new QLabel(this), QStringLiteral("lblMBusAsciiProtocol"));
    cboMBusAsciiProtocol = Named(new QComboBox(this), QStringLiteral("cboMBusAsciiProtocol"));
    Command_MBusAscii_MeterFeature_Read =
        Named(new QPushButton(this), QStringLiteral("Command_MBusAscii_MeterFeature_Read"));
    Command_MBusAscii_MeterFeature_Write =
        Named(new QPushButton(this), QStringLiteral("Command_MBusAscii_MeterFeature_Write"));
    lblMBusAsciiTagName->setBuddy(cboMBusAsciiTagName);
    lblMBusAsciiValue->setBuddy(txtMBusAsciiValue);
    lblMBusAsciiProtocol->setBuddy(cboMBusAsciiProtocol);

    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(4);
    grid->addWidget(lblMBusAsciiTagName, 0, 0);
    grid->addWidget(cboMBusAsciiTagName, 0, 1, 1, 2);
    grid->addWidget(Command_MBusAscii_MeterFeature_Read, 0, 3);
    grid->addWidget(lblMBusAsciiValue, 1, 0);
    grid->addWidget(txtMBusAsciiValue, 1, 1, 1, 2);
    // Only reading is offered: a Write button would do nothing.
    Command_MBusAscii_MeterFeature_Write->hide();
    grid->addWidget(lblMBusAsciiProtocol, 2, 0);
    grid->addWidget(cboMBusAsciiProtocol, 2, 1);
    grid->setColumnStretch(2, 1);
    return grid;
}

QLayout* AsciiPage::BuildStationAndFiles()
{
    fraMBusAsciiMultidrop = Named(new QGroupBox(this), QStringLiteral("fraMBusAsciiMultidrop"));
    lblMBusAsciiStationID = Named(new QLabel(fraMBusAsciiMultidrop), QStringLiteral("lblMBusAsciiStationID"));
    txtMBusAsciiStationID = Named(new QLineEdit(fraMBusAsciiMultidrop), QStringLiteral("txtMBusAsciiStationID"));
    FitWidthToDigits(txtMBusAsciiStationID, 2);
    lblMBusAsciiStationID->setBuddy(txtMBusAsciiStationID);
    auto* station = new QHBoxLayout(fraMBusAsciiMultidrop);
    station->addWidget(lblMBusAsciiStationID);
    station->addWidget(txtMBusAsciiStationID);

    fraMBusAsciiFileFormat = Named(new QGroupBox(this), QStringLiteral("fraMBusAsciiFileFormat"));
    m_FileFormats = new QButtonGroup(this);
    auto* files = new QGridLayout(fraMBusAsciiFileFormat);
    files->setVerticalSpacing(2);
    for (int i = 0; i < static_cast<int>(optMBusAsciiFileFormat.size()); ++i) {
        auto* option = new QRadioButton(fraMBusAsciiFileFormat);
        option->setObjectName(ElementName(QStringLiteral("optMBusAsciiFileFormat"), i));
        m_FileFormats->addButton(option, i);
        files->addWidget(option, i, 0);
        optMBusAsciiFileFormat[static_cast<size_t>(i)] = option;
    }
    cmdMBusAsciiGetFile = Named(new QPushButton(fraMBusAsciiFileFormat), QStringLiteral("cmdMBusAsciiGetFile"));
    cmdMBusAsciiSaveFile = Named(new QPushButton(fraMBusAsciiFileFormat), QStringLiteral("cmdMBusAsciiSaveFile"));
    files->addWidget(cmdMBusAsciiGetFile, 0, 2);
    files->addWidget(cmdMBusAsciiSaveFile, 1, 2);
    files->setColumnStretch(1, 1);

    auto* row = new QHBoxLayout;
    row->addWidget(fraMBusAsciiMultidrop, 0, Qt::AlignTop);
    row->addWidget(fraMBusAsciiFileFormat, 1);
    return row;
}

QLayout* AsciiPage::BuildResultRow()
{
    lblMBusAsciiResultText = Named(new ResultLabel(this), QStringLiteral("lblMBusAsciiResultText"));
    Command_MBusAscii_MeterFeature_Debug =
        Named(new QPushButton(this), QStringLiteral("Command_MBusAscii_MeterFeature_Debug"));
    auto* row = new QHBoxLayout;
    row->addWidget(lblMBusAsciiResultText, 1);
    row->addWidget(Command_MBusAscii_MeterFeature_Debug, 0, Qt::AlignBottom);
    return row;
}

void AsciiPage::Startup()
{
    SetTexts();
    cboMBusAsciiProtocol->clear();
    cboMBusAsciiProtocol->addItems({QStringLiteral("0 - Standard"), QStringLiteral("1 - Standard incl. crc")});
    cboMBusAsciiProtocol->setCurrentIndex(0);
    txtMBusAsciiStationID->setText(QStringLiteral("0"));
    optMBusAsciiFileFormat[0]->setChecked(true);
}

void AsciiPage::SetTexts()
{
    HeaderLabel()->setText(GetLanguageText(asciitext::kAsciiHeader));
    Text_Info->SetText(GetLanguageText(asciitext::kAsciiInfo));
    lblMBusAsciiTagName->setText(GetLanguageText(asciitext::kItemName));
    cboMBusAsciiTagName->setToolTip(GetLanguageText(asciitext::kItemNameTip));
    lblMBusAsciiProtocol->setText(GetLanguageText(asciitext::kProtocol));
    fraMBusAsciiMultidrop->setTitle(GetLanguageText(asciitext::kMultidrop));
    lblMBusAsciiStationID->setText(GetLanguageText(asciitext::kStationId));
    lblMBusAsciiValue->setText(GetLanguageText(asciitext::kValue));
    fraMBusAsciiFileFormat->setTitle(GetLanguageText(asciitext::kItemFileFormat));
    for (int i = 0; i < static_cast<int>(optMBusAsciiFileFormat.size()); ++i)
        optMBusAsciiFileFormat[static_cast<size_t>(i)]->setText(GetLanguageText(asciitext::kFirstFileFormat + i));
    Command_MBusAscii_MeterFeature_Read->setText(GetLanguageText(asciitext::kRead));
    Command_MBusAscii_MeterFeature_Write->setText(GetLanguageText(asciitext::kWrite));
    cmdMBusAsciiGetFile->setText(GetLanguageText(asciitext::kGetFile));
    cmdMBusAsciiSaveFile->setText(GetLanguageText(asciitext::kSaveFile));
    Command_MBusAscii_MeterFeature_Debug->setText(GetLanguageText(asciitext::kDebug));
}

ResultLabel* AsciiPage::ReadResult() const
{
    return lblMBusAsciiResultText;
}

QPushButton* AsciiPage::ReadButton() const
{
    return Command_MBusAscii_MeterFeature_Read;
}

void AsciiPage::Command_MBusAscii_MeterFeature_Read_Click()
{
    const QByteArray tag = cboMBusAsciiTagName->currentText().toLatin1();
    MarkRefused(cboMBusAsciiTagName->lineEdit(), !IsAsciiItemName(tag));
    if (!IsAsciiItemName(tag)) {
        lblMBusAsciiResultText->ShowResult(GetLanguageText(asciitext::kNoItemName), ResultKind::Failure);
        return;
    }
    const DeviceOperationScope operation(Context().operations);
    if (!operation)
        return;
    // What the field held belongs to the last read, not to this one.
    txtMBusAsciiValue->clear();
    lblMBusAsciiResultText->ShowResult(GetLanguageText(asciitext::kReading).arg(QString::fromLatin1(tag)),
                                       ResultKind::Success);
    const int station = AsciiStationFromText(txtMBusAsciiStationID->text());
    txtMBusAsciiStationID->setText(QString::number(station));
    const int protocol = cboMBusAsciiProtocol->currentIndex();
    // The page may be gone when the wait returns; the client stays for the read.
    const QPointer<AsciiPage> self(this);
    const std::shared_ptr<AsciiClient> client = m_Client;
    const AsciiReadResult read = client->ReadAsciiItem(protocol, station, tag);
    if (self)
        ShowAsciiResult(read, protocol);
}

void AsciiPage::ShowAsciiResult(const AsciiReadResult& read, int protocol)
{
    switch (read.kind) {
    case ReplyOutcome::Kind::Reply:
        lblMBusAsciiResultText->ShowResult(read.note, ResultKind::Success);
        break;
    case ReplyOutcome::Kind::DeviceError:
    case ReplyOutcome::Kind::BadReply:
        lblMBusAsciiResultText->ShowResult(read.note, ResultKind::DeviceError);
        break;
    case ReplyOutcome::Kind::Cancelled:
    case ReplyOutcome::Kind::Closed:
    case ReplyOutcome::Kind::Timeout:
        lblMBusAsciiResultText->ShowResult(read.note, ResultKind::Failure);
        break;
    case ReplyOutcome::Kind::NotRun:
        return;
    }
    // An error reply carries its letter where a value would stand: it is no value.
    if (read.kind == ReplyOutcome::Kind::Reply)
        txtMBusAsciiValue->setText(QString::fromLatin1(AsciiReplyValue(read.bytes, protocol)));
}

void AsciiPage::txtMBusAsciiStationID_Change()
{
    const QString text = txtMBusAsciiStationID->text();
    const QString corrected = CorrectedNumberText(text, ascii::kHighestStation);
    if (corrected != text)
        txtMBusAsciiStationID->setText(corrected);
}

void AsciiPage::LoadAsciiItemFile()
{
    const QString path = chooseItemFile ? chooseItemFile() : QString();
    if (path.isEmpty())
        return;
    const auto format = static_cast<AsciiItemFileFormat>(m_FileFormats->checkedId());
    const AsciiItemFileRead read = ReadAsciiItemFile(path, format);
    if (read.error) {
        // the list stays as it was: nothing of it is lost to a file that cannot be read
        ShowFileErrorDialog(Host().Window(), QStringLiteral("Open Error"), *read.error);
        return;
    }
    cboMBusAsciiTagName->clear();
    cboMBusAsciiTagName->addItems(read.tags);
    if (read.complete)
        lblMBusAsciiResultText->ShowResult(GetLanguageText(LoadSuccessText(format)), ResultKind::Success);
    else
        lblMBusAsciiResultText->ShowResult(
            GetLanguageText(LoadFailureText(format)) + u' ' + QFileInfo(path).fileName() + u'\n'
                + GetLanguageText(asciitext::kFailedLine)
                      .arg(read.failedLine)
                      .arg(read.tooManyNames
                               ? GetLanguageText(asciitext::kTooManyNames).arg(kMostAsciiItemNames)
                               : GetLanguageText(read.lineTooLong ? asciitext::kLineTooLong : LineRuleText(format))),
            ResultKind::Failure);
    if (cboMBusAsciiTagName->count() > 0)
        cboMBusAsciiTagName->setCurrentIndex(0);
}

void AsciiPage::SaveAsciiItemFile()
{
    const QString path = chooseSaveFile ? chooseSaveFile() : QString();
    if (path.isEmpty())
        return;
    QStringList names;
    for (int i = 0; i < cboMBusAsciiTagName->count(); ++i)
        names << cboMBusAsciiTagName->itemText(i);
    if (names.isEmpty() && !cboMBusAsciiTagName->currentText().isEmpty())
        names << cboMBusAsciiTagName->currentText();
    if (const std::optional<FileError> error = WriteAsciiItemFile(path, names))
        ShowFileErrorDialog(Host().Window(), QStringLiteral("Save Error"), *error);
}

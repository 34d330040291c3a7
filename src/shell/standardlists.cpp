#include "standardlists.h"

#include "shelltexts.h"
#include "base/language.h"
#include "comm/serialportname.h"

#include <QComboBox>

void FillSerialPortList(QComboBox* list, const IniFile& ini)
{
    constexpr int kPorts = 16;
    constexpr int kShortest = 16; // the page keeps its size whatever the adapters are called
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(kShortest);
    list->clear();
    const QList<SerialPortChoice> choices = SerialPortChoices(kPorts, ini);
    for (int port = 1; port <= kPorts; ++port) {
        const SerialPortChoice& choice = choices[port - 1];
        QString name = QStringLiteral("COM") + QString::number(port);
        if (!choice.shown.isEmpty())
            name += QStringLiteral(" (") + choice.shown + u')';
        list->addItem(name, choice.device);
    }
}

void FillMBusLineSpeedList(QComboBox* list, const Language& language)
{
    const QString uncommon = u' ' + language.GetLanguageText(shelltext::kNonStandard);
    list->clear();
    list->addItems({QStringLiteral("300"), QStringLiteral("600") + uncommon, QStringLiteral("1200") + uncommon,
                    QStringLiteral("2400"), QStringLiteral("4800") + uncommon, QStringLiteral("9600")});
}

void FillSerialBaudList(QComboBox* list)
{
    list->clear();
    list->addItems({QStringLiteral("300"), QStringLiteral("600"), QStringLiteral("1200"), QStringLiteral("2400"),
                    QStringLiteral("4800"), QStringLiteral("9600"), QStringLiteral("19200")});
}

void SelectStoredIndex(QComboBox* list, int index)
{
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

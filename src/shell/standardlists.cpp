#include "standardlists.h"

#include "shelltexts.h"
#include "base/language.h"

#include <QComboBox>

void FillSerialPortList(QComboBox* list)
{
    list->clear();
    for (int port = 1; port <= 16; ++port)
        list->addItem(QStringLiteral("COM") + QString::number(port));
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

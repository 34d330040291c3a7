#pragma once

#include "featureprotocol.h"
#include "shell/debugwindow.h"
#include "shell/wizardpage.h"

#include <QPointer>
#include <array>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

// Page 60: one M-Bus operation on one meter behind the gateway. The user
// picks the operation, the meter (by primary or secondary address) and the
// operation's options, and runs it with Apply.
class FeaturePage : public WizardPage, public DebugPollSource, private FeatureView {
    Q_OBJECT
public:
    static constexpr int kFeatureCount = 6;
    // The address every slave answers, chosen by the broadcast box.
    static constexpr int kBroadcastAddress = 254;

    explicit FeaturePage(WizardHost& host, QWidget* parent = nullptr);

    void Startup() override;
    void Prepare(bool back, bool forward) override;
    void Enter(bool back, bool forward) override;
    void Leave(bool back, bool forward) override;

    // Initialising and the diagnostics read can be repeated by the log
    // window, and only while this page is shown.
    void OfferDebugPoll(Ostrand_Debug& window) override;

    // The checked operation, 0 to 5.
    int SelectedFeature() const;

    // A click on an option: the controls follow the operation it runs.
    void Option_SelectMeterFeature_Click(int feature);
    // Runs the checked operation on the meter the fields name.
    void Command_MeterFeature_Apply_Click();

    InfoBox* Text_Info = nullptr; // element 60

    QGroupBox* Frame_MeterFeature_Function = nullptr;
    std::array<QRadioButton*, kFeatureCount> Option_SelectMeterFeature{};
    QButtonGroup* m_FeatureOptions = nullptr; // ids are the element indexes
    QCheckBox* Check_MeterFeature_AlwaysInit = nullptr;
    QCheckBox* Check_MeterFeature_AlwaysApp = nullptr;

    QGroupBox* Frame_MeterFeature_Meter = nullptr;
    // 0: primary or secondary address (over element 0 of either field),
    // 1: new primary address, 2: new bus speed, 3-5: manufacturer, version,
    // medium of the secondary address.
    std::array<QLabel*, 6> Label_MeterFeature{};
    // 0: the meter's primary address, 1: its new primary address.
    std::array<QLineEdit*, 2> Text_MeterFeature_Address{};
    // Identification number, manufacturer, version, medium.
    std::array<QLineEdit*, 4> Text_MeterFeature_Sec_Address{};
    QCheckBox* Check_MeterFeature_UseSecondaryAddress = nullptr;
    QCheckBox* Check_MeterFeature_TestAndDiagnostics = nullptr;

    QComboBox* Combo_MeterFeature_LineSpeed = nullptr;
    QLabel* Label_MeterFeature_AppReset = nullptr;
    QComboBox* Combo_MeterFeature_AppReset = nullptr;

    QPushButton* Command_MeterFeature_Apply = nullptr;
    QPushButton* Command_MeterFeature_Search = nullptr;
    QPushButton* Command_MeterFeature_Debug = nullptr;

    // The data records of the last read, one row each, below the information
    // box; shown with the identification read.
    QTableWidget* Table_MeterFeature_Records = nullptr;
    QPushButton* Command_MeterFeature_CopyRecords = nullptr;

    // The shown records as comma-separated lines, their header first, as
    // the copy button and Ctrl+C in the table put them on the clipboard.
    QString RecordsCsv() const;

signals:
    // "Search meters..." was pressed: the search window opens beside the wizard.
    void searchRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // FeatureView: the operations report into the information box and keep
    // the window, Apply and Back unusable while they run.
    void SetInfo(const QString& text) override;
    void AppendInfo(const QString& text) override;
    void SetBusy(bool busy) override;

    void ConnectControls();
    // Secondary addressing switched: the address fields and SND_NKE follow.
    void Check_MeterFeature_UseSecondaryAddress_Click();
    // The broadcast address applies: the box is checked and usable with an
    // operation that can send to every slave.
    bool BroadcastInUse() const;
    // The address fields, the broadcast box and the secondary fields as the
    // operation, the broadcast box, secondary addressing and the application
    // reset box together ask.
    void UpdateAddressControls();
    void StoreAddressEdit();
    // Apply step 1: the two address fields read as numbers, clamped and written back.
    std::pair<quint8, int> ClampedAddresses();
    // A change, or an application reset, typed for 254 or 255 reaches every
    // meter of the bus: it goes only when the user says so (default No).
    bool ConfirmedForEveryMeter();
    // Apply step 3: the secondary fields normalised and written back.
    void NormaliseSecondaryFields();
    // Runs the checked operation; the meter's address when it acknowledged a new bus speed.
    std::optional<quint8> RunFeature();
    // The meter's secondary address as the fields give it, while secondary addressing is on.
    std::optional<SecondaryAddress> SelectedSecondary() const;
    // The speed list's entry of the line speed in use, 2400 baud where it is not known.
    int LineSpeedIndexInUse() const;
    // After a new bus speed: offers to switch a serial connection to it and
    // reads the meter there; over the network says what the gateway needs.
    void FollowNewSpeed(quint8 address, int speedIndex);

    QLayout* BuildFunctionColumn();
    QLayout* BuildMeterColumn();
    QGroupBox* BuildMeterFrame();
    QLayout* BuildOperationSettings();
    QWidget* BuildResultArea();
    QLayout* BuildButtonRow();
    void SetTexts();
    void FillAppResetList();
    // The subcode list is usable where its subcode goes out: with the reset
    // itself, and with a read while the reset before it is checked.
    void UpdateAppResetList();
    // A read's records in the table; none clears it.
    void ShowRecordRows(const std::optional<DataRecords>& records);
    void CopyRecords();
    // The header and the Apply caption name the checked operation.
    void ShowFeatureCaptions();
    void UpdateDebugPoll();

    FeatureProtocol m_Protocol;
    // A box an operation forces off keeps the state it had here, and gets it
    // back when an operation that allows it is chosen.
    std::optional<bool> m_AlwaysInitMemory;
    std::optional<bool> m_AlwaysAppMemory;
    QPointer<QWidget> m_FocusBeforeBusy;
    bool m_ConnectionOpened = false; // Apply has a connection to use
};

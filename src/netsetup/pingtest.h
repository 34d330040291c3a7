#pragma once

#include <QString>
#include <chrono>
#include <functional>

class DeviceOperations;
class IniFile;
class Language;

// One echo request to the address; true when it was answered.
using Pinger = std::function<bool(const QString& ip)>;
// Milliseconds on a monotonic clock.
using MillisecondClock = std::function<qint64()>;

struct PingTestSettings {
    int numberOfPings = 4;
    std::chrono::milliseconds delay{500}; // between pings
};

// "NumberOfPings" (a 16-bit number) and "PingDelay" of the INI file's section "IP".
PingTestSettings PingTestSettingsFromIni(const IniFile& ini);

// Where the test reports: the text of the page's information box, and each
// ping's outcome for whoever wants the figures.
class PingTestSink {
public:
    virtual ~PingTestSink() = default;
    virtual void SetText(const QString& text) = 0;
    virtual void AppendText(const QString& text) = 0;
    virtual void EchoDone(int number, bool answered, qint64 milliseconds)
    {
        (void)number;
        (void)answered;
        (void)milliseconds;
    }
};

struct PingTestResult {
    int count = 0;        // the number of the last ping sent
    qint64 totalMs = 0;
    bool completed = false; // the summary was given: every ping but perhaps the last was answered
};

// Pings the address the set number of times, the delay apart, timing each
// ping with what it takes to show it; stops at the first unanswered ping
// unless it was the last. The test is one device operation: nothing is sent
// while another one waits, and a cancel ends it after the ping under way.
PingTestResult RunPingTest(const QString& address, const PingTestSettings& settings, const Language& language,
                           const Pinger& pinger, PingTestSink& sink, DeviceOperations& operations,
                           const MillisecondClock& clock = {});

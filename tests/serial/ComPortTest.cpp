#include "serial/ComPort.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FakeSerialDevice.h"
#include "support/PtyPair.h"
#include "support/TraceCapture.h"
#include "support/WaitUntil.h"

namespace {

using namespace std::chrono_literals;

const std::string InvalidHandle = "ERROR_INVALID_HANDLE, Likely that the Service Provider has closed the port.\n";
const std::string ShuttingDown = "Read thread shutting down\n";

// A port that records what its reader hands over.
class CRecordingPort : public CComPort {
public:
    using CComPort::ReadThreadProc;
    using CComPort::SetStopTimeout;

    ~CRecordingPort() override { Close(); }

    bool OnReceive(const uint8_t* data, uint32_t count) override
    {
        std::unique_lock<std::mutex> lock(m_lock);
        m_chunks.emplace_back(reinterpret_cast<const char*>(data), count);
        m_changed.notify_all();
        m_inReceive = true;
        m_changed.wait(lock, [this] { return !m_holdReceive; });
        m_inReceive = false;
        return m_receiveResult;
    }
    void OnCarrierChange() override { ++m_carrierChanges; }
    void OnDeviceGone() override { ++m_deviceGone; }
    int DeviceGoneCalls() const { return m_deviceGone.load(); }

    // OnReceive waits until Release once it has recorded its chunk.
    void HoldReceive()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_holdReceive = true;
    }
    void Release()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_holdReceive = false;
        m_changed.notify_all();
    }
    bool InReceive()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_inReceive;
    }
    void SetReceiveResult(bool result)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_receiveResult = result;
    }
    bool WaitForBytes(size_t total)
    {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_changed.wait_for(lock, 10s, [&] { return ReceivedLocked().size() >= total; });
    }
    std::vector<std::string> Chunks()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_chunks;
    }
    std::string Received()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return ReceivedLocked();
    }
    int CarrierChanges() const { return m_carrierChanges.load(); }

private:
    std::string ReceivedLocked() const
    {
        std::string all;
        for (const auto& chunk : m_chunks)
            all += chunk;
        return all;
    }

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::string> m_chunks;
    bool m_holdReceive = false;
    bool m_inReceive = false;
    bool m_receiveResult = true;
    std::atomic<int> m_carrierChanges{0};
    std::atomic<int> m_deviceGone{0};
};

std::string Pattern(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>('A' + i % 26); // no event character, no flow-control character
    return bytes;
}

// A port opened on a fake device the test scripts.
struct FakePort {
    TraceCapture trace;
    CRecordingPort port;
    CFakeSerialDevice* device = new CFakeSerialDevice;
    std::shared_ptr<CFakeSerialDevice::Probe> probe = device->GetProbe();

    bool opened = false;

    ~FakePort()
    {
        if (!opened)
            delete device;
    }
    // Opens and waits until the reader has armed its event wait and started its first read (or
    // has ended trying).
    bool Open()
    {
        opened = port.Open(device);
        return opened && WaitUntil([&] { return probe->readCalls > 0 || ReaderEnded(); });
    }
    bool ReaderEnded() const { return trace.Count(ShuttingDown) == 1; }
};

} // namespace

// ---- open and close ----

TEST(ComPortOpen, RefusesADeviceThatIsNotATerminalAndLeavesItToTheCaller)
{
    TraceCapture trace;
    CRecordingPort port;
    CFakeSerialDevice device;
    device.SetTerminal(false);
    errno = 0;
    EXPECT_FALSE(port.Open(&device));
    EXPECT_EQ(errno, ENOTTY);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(trace.Lines(), std::vector<std::string>{"File handle is not a comm handle.\n"});
    EXPECT_FALSE(device.GetProbe()->destroyed);
    EXPECT_EQ(device.GetProbe()->configureCalls, 0);
    port.Close();
    EXPECT_EQ(trace.Lines().size(), 1u);
}

TEST(ComPortOpen, SecondOpenIsRefusedAndTheFirstPortGoesOn)
{
    FakePort f;
    ASSERT_TRUE(f.Open());
    CFakeSerialDevice other;
    errno = 0;
    EXPECT_FALSE(f.port.Open(&other));
    EXPECT_EQ(errno, EBUSY);
    EXPECT_EQ(f.trace.Count("Already have a comm file open\n"), 1);
    EXPECT_FALSE(other.GetProbe()->destroyed);
    f.device->Feed("OK\r");
    ASSERT_TRUE(f.port.WaitForBytes(3));
    EXPECT_EQ(f.port.Received(), "OK\r");
}

TEST(ComPortOpen, ConfiguresTheLineAndTheReadInterval)
{
    FakePort f;
    ASSERT_TRUE(f.Open());
    EXPECT_EQ(f.probe->configureCalls, 1);
    CommState state;
    state.baudRate = 0;
    ASSERT_TRUE(f.port.GetCommState(state));
    EXPECT_EQ(state.baudRate, 9600u);
    EXPECT_EQ(state.byteSize, 8);
    EXPECT_EQ(state.parity, NOPARITY);
    EXPECT_EQ(state.stopBits, ONESTOPBIT);
    EXPECT_FALSE(state.abortOnError);
    EXPECT_EQ(state.evtChar, '\n');
    CommTimeouts timeouts;
    timeouts.readIntervalTimeout = 0;
    timeouts.writeTotalTimeoutConstant = 7;
    ASSERT_TRUE(f.port.GetCommTimeouts(timeouts));
    EXPECT_EQ(timeouts.readIntervalTimeout, 20u);
    EXPECT_EQ(timeouts.readTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(timeouts.readTotalTimeoutConstant, 0u);
    EXPECT_EQ(timeouts.writeTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(timeouts.writeTotalTimeoutConstant, 0u);
}

TEST(ComPortOpen, GoesOnWhenTheDeviceRefusesTheSettings)
{
    FakePort f;
    f.device->FailLineSettings(true);
    ASSERT_TRUE(f.Open());
    EXPECT_TRUE(f.trace.Lines().empty());
    f.device->Feed("RING\r");
    ASSERT_TRUE(f.port.WaitForBytes(5));
    CommState state;
    EXPECT_FALSE(f.port.GetCommState(state));
}

TEST(ComPortOpen, SettingsCallsFailWhileNoPortIsHeld)
{
    CRecordingPort port;
    CommState state;
    CommTimeouts timeouts;
    EXPECT_FALSE(port.GetCommState(state));
    EXPECT_FALSE(port.SetCommState(state));
    EXPECT_FALSE(port.GetCommTimeouts(timeouts));
    EXPECT_FALSE(port.SetCommTimeouts(timeouts));
}

TEST(ComPortClose, DoesNothingWhenNeverOpenedOrClosedTwice)
{
    FakePort f;
    f.port.Close();
    EXPECT_TRUE(f.trace.Lines().empty());
    ASSERT_TRUE(f.Open());
    f.port.Close();
    EXPECT_TRUE(f.probe->destroyed);
    EXPECT_EQ(f.probe->discardOutput, 1);
    EXPECT_EQ(f.trace.Count("Stopping the Comm\n"), 1);
    EXPECT_EQ(f.trace.Count("Closing Read Thread\n"), 1);
    EXPECT_EQ(f.trace.Count(ShuttingDown), 1);
    const size_t lines = f.trace.Lines().size();
    f.port.Close();
    EXPECT_EQ(f.trace.Lines().size(), lines);
    EXPECT_FALSE(f.port.IsOpen());
}

TEST(ComPortClose, AfterTheReaderEndedByItselfReleasesEverythingWithoutStoppingIt)
{
    FakePort f;
    f.port.SetReceiveResult(false);
    ASSERT_TRUE(f.Open());
    f.device->Feed("X");
    ASSERT_TRUE(WaitUntil([&] { return f.ReaderEnded(); }));
    f.port.Close();
    EXPECT_EQ(f.trace.Count("Stopping the Comm\n"), 1);
    EXPECT_EQ(f.trace.Count("Closing Read Thread\n"), 0);
    EXPECT_TRUE(f.probe->destroyed);
    EXPECT_EQ(f.probe->discardOutput, 1);
}

TEST(ComPortClose, OpensAgainOnAFreshDevice)
{
    FakePort f;
    ASSERT_TRUE(f.Open());
    f.port.Close();
    auto* second = new CFakeSerialDevice;
    ASSERT_TRUE(f.port.Open(second));
    second->Feed("OK\r");
    ASSERT_TRUE(f.port.WaitForBytes(3));
    EXPECT_TRUE(f.port.Write("AT\r", 3));
    EXPECT_EQ(second->Sent(), "AT\r");
}

TEST(ComPortClose, ReaderThatOverrunsTheStopBoundIsTracedAndStillJoined)
{
    FakePort f;
    f.port.SetStopTimeout(20);
    f.port.HoldReceive();
    ASSERT_TRUE(f.Open());
    f.device->Feed("X");
    ASSERT_TRUE(WaitUntil([&] { return f.port.InReceive(); }));
    auto closing = std::async(std::launch::async, [&] { f.port.Close(); });
    ASSERT_TRUE(WaitUntil([&] { return f.trace.Count("Read thread not exiting. Terminating it.\n") == 1; }));
    EXPECT_EQ(closing.wait_for(0ms), std::future_status::timeout); // still waits for the reader
    EXPECT_FALSE(f.probe->destroyed);
    f.port.Release();
    closing.get();
    EXPECT_EQ(f.trace.Count(ShuttingDown), 1);
    EXPECT_TRUE(f.probe->destroyed);
    EXPECT_EQ(f.port.Chunks().size(), 1u);
}

// ---- the reader thread ----

TEST(ComPortReader, NullParameterEndsAtOnce)
{
    EXPECT_EQ(CRecordingPort::ReadThreadProc(nullptr), 0u);
}

TEST(ComPortReader, BaseOnReceiveTracesTheBytesUpToANul)
{
    TraceCapture trace;
    CComPort port;
    EXPECT_TRUE(port.OnReceive(reinterpret_cast<const uint8_t*>(""), 0));
    EXPECT_TRUE(trace.Lines().empty());
    EXPECT_TRUE(port.OnReceive(reinterpret_cast<const uint8_t*>("OK\r\n"), 4));
    const uint8_t withNul[] = {'A', 'B', 0, 'C'};
    EXPECT_TRUE(port.OnReceive(withNul, 4));
    EXPECT_EQ(trace.Lines(), (std::vector<std::string>{"Got 'OK\r\n' from comm\n", "Got 'AB' from comm\n"}));
}

TEST(ComPortReader, DeliversABurstIn128ByteChunksInOrder)
{
    FakePort f;
    ASSERT_TRUE(f.Open());
    const std::string burst = Pattern(300);
    f.device->Feed(burst);
    ASSERT_TRUE(f.port.WaitForBytes(300));
    const auto chunks = f.port.Chunks();
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].size(), 128u);
    EXPECT_EQ(chunks[1].size(), 128u);
    EXPECT_EQ(chunks[2].size(), 44u);
    EXPECT_EQ(f.port.Received(), burst);
}

TEST(ComPortReader, EventCharacterEndsTheReadAtOnce)
{
    FakePort f;
    ASSERT_TRUE(f.Open());
    CommTimeouts timeouts;
    ASSERT_TRUE(f.port.GetCommTimeouts(timeouts));
    timeouts.readIntervalTimeout = 0; // only 128 bytes or the event character end a read now
    ASSERT_TRUE(f.port.SetCommTimeouts(timeouts));
    f.device->Feed("OK\r\n");
    ASSERT_TRUE(f.port.WaitForBytes(4));
    f.device->Feed("AB");
    ASSERT_TRUE(WaitUntil([&] { return f.probe->bytesRead == 6; }));
    f.device->Feed("C\n");
    ASSERT_TRUE(f.port.WaitForBytes(8));
    EXPECT_EQ(f.port.Chunks(), (std::vector<std::string>{"OK\r\n", "ABC\n"}));
}

TEST(ComPortReader, NoEventCharacterOnceTheOwnerClearsIt)
{
    FakePort f;
    ASSERT_TRUE(f.Open());
    CommState state;
    ASSERT_TRUE(f.port.GetCommState(state));
    state.evtChar = 0;
    ASSERT_TRUE(f.port.SetCommState(state));
    CommTimeouts timeouts;
    ASSERT_TRUE(f.port.GetCommTimeouts(timeouts));
    timeouts.readIntervalTimeout = 0;
    ASSERT_TRUE(f.port.SetCommTimeouts(timeouts));
    f.device->Feed("OK\r\n");
    ASSERT_TRUE(WaitUntil([&] { return f.probe->bytesRead == 4; }));
    f.device->Feed(Pattern(124));
    ASSERT_TRUE(f.port.WaitForBytes(128));
    EXPECT_EQ(f.port.Chunks().size(), 1u);
}

TEST(ComPortReader, ReportedEventCharacterDeliversWhatTheReadHolds)
{
    FakePort f;
    ASSERT_TRUE(f.Open());
    CommTimeouts timeouts;
    ASSERT_TRUE(f.port.GetCommTimeouts(timeouts));
    timeouts.readIntervalTimeout = 0;
    ASSERT_TRUE(f.port.SetCommTimeouts(timeouts));
    f.device->RaiseEvents(EV_RXFLAG); // nothing received yet: the read stays outstanding
    f.device->Feed("AB");
    ASSERT_TRUE(WaitUntil([&] { return f.probe->bytesRead == 2; }));
    f.device->RaiseEvents(EV_RXFLAG | EV_RLSD);
    ASSERT_TRUE(f.port.WaitForBytes(2));
    ASSERT_TRUE(WaitUntil([&] { return f.port.CarrierChanges() == 1; }));
    EXPECT_EQ(f.port.Chunks(), std::vector<std::string>{"AB"});
    EXPECT_EQ(f.trace.Count(ShuttingDown), 0);
}

TEST(ComPortReader, CallsOnCarrierChangeOncePerReportedChange)
{
    FakePort f;
    ASSERT_TRUE(f.Open());
    f.device->RaiseEvents(EV_RLSD);
    f.device->RaiseEvents(EV_RLSD);
    f.device->RaiseEvents(EV_RLSD);
    ASSERT_TRUE(WaitUntil([&] { return f.port.CarrierChanges() == 3; }));
    f.device->Feed("NO CARRIER\r");
    ASSERT_TRUE(f.port.WaitForBytes(11));
    EXPECT_EQ(f.port.CarrierChanges(), 3);
}

TEST(ComPortReader, TracesLineErrorsByKindAndReceivesOn)
{
    FakePort f;
    ASSERT_TRUE(f.Open());
    f.device->RaiseEvents(EV_ERR, CE_FRAME | CE_OVERRUN);
    ASSERT_TRUE(WaitUntil([&] { return f.trace.Count("CE_FRAME and CE_OVERRUN\r\n") == 1; }));
    f.device->RaiseEvents(EV_ERR, 0);
    ASSERT_TRUE(WaitUntil([&] { return f.trace.Count("NULL ERROR\r\n") == 1; }));
    f.device->RaiseEvents(EV_ERR, CE_RXPARITY | CE_BREAK);
    ASSERT_TRUE(WaitUntil([&] { return f.trace.Count("CE_RXPARITY and EV_ERR Unknown EvtMask\r\n") == 1; }));
    f.device->RaiseEvents(EV_ERR, CE_FRAME | CE_RXPARITY | CE_RXOVER);
    ASSERT_TRUE(
        WaitUntil([&] { return f.trace.Count("CE_FRAME and CE_RXPARITY and EV_ERR Unknown EvtMask\r\n") == 1; }));
    f.device->Feed("OK\r");
    ASSERT_TRUE(f.port.WaitForBytes(3));
    EXPECT_EQ(f.trace.Count(ShuttingDown), 0);
}

TEST(ComPortReader, EventsWaitingBeforeTheWaitIsArmedAreHandledAtOnce)
{
    FakePort f;
    f.device->RaiseEvents(EV_RLSD);
    f.device->RaiseEvents(EV_ERR, CE_FRAME);
    ASSERT_TRUE(f.Open());
    ASSERT_TRUE(WaitUntil([&] { return f.trace.Count("CE_FRAME\r\n") == 1; }));
    EXPECT_EQ(f.port.CarrierChanges(), 1);
    EXPECT_EQ(f.trace.Count("Event (Error) waiting before WaitCommEvent.\n"), 2);
    f.device->Feed("OK\r");
    ASSERT_TRUE(f.port.WaitForBytes(3));
}

TEST(ComPortReader, UnexpectedEventEndsTheReaderButWriteStillWorks)
{
    FakePort f;
    ASSERT_TRUE(f.Open());
    f.device->RaiseEvents(0x100);
    ASSERT_TRUE(WaitUntil([&] { return f.ReaderEnded(); }));
    EXPECT_EQ(f.trace.Count("Unexpected comm event 100\r\n"), 1);
    EXPECT_TRUE(f.port.Write("ATZ\r", 4));
    EXPECT_EQ(f.device->Sent(), "ATZ\r");
}

TEST(ComPortReader, OnReceiveReturningFalseEndsTheReaderAndThePortStaysOpen)
{
    FakePort f;
    f.port.SetReceiveResult(false);
    ASSERT_TRUE(f.Open());
    f.device->Feed("OK\r");
    ASSERT_TRUE(WaitUntil([&] { return f.ReaderEnded(); }));
    EXPECT_EQ(f.port.Chunks(), std::vector<std::string>{"OK\r"});
    EXPECT_EQ(f.probe->discardInput, 2); // once as Open starts on an empty queue, once as the reader ends
    EXPECT_TRUE(f.port.IsOpen());
    EXPECT_TRUE(f.port.Write("AT\r", 3));
    EXPECT_EQ(f.device->Sent(), "AT\r");
    f.device->Feed("RING\r");
    EXPECT_EQ(f.port.Chunks().size(), 1u);
    // Only the trace lines of the ending: nothing else went wrong.
    EXPECT_EQ(f.trace.Lines(), std::vector<std::string>{ShuttingDown});
    EXPECT_EQ(f.port.DeviceGoneCalls(), 0); // the owner ended it, the device is still there
}

namespace {

struct FailureCase {
    const char* name;
    std::function<void(CFakeSerialDevice&)> beforeOpen;
    std::function<void(CFakeSerialDevice&)> afterOpen;
    std::string trace; // the start of the trace line that reports it
};

} // namespace

TEST(ComPortReader, FailingCallsEndTheReaderWithTheirTrace)
{
    const auto nothing = [](CFakeSerialDevice&) {};
    const std::vector<FailureCase> cases = {
        {"event mask", [](CFakeSerialDevice& d) { d.FailSetEventMask(EINVAL); }, nothing,
         "Unable to SetCommMask: GetLastError returned: "},
        {"arming, device gone", [](CFakeSerialDevice& d) { d.FailTakeEvents(EIO); }, nothing, InvalidHandle},
        {"arming, other", [](CFakeSerialDevice& d) { d.FailTakeEvents(EINVAL); }, nothing,
         "Unexpected WaitCommEvent error: GetLastError returned: "},
        {"first read, device gone", [](CFakeSerialDevice& d) { d.FailReads(ENXIO); }, nothing,
         "ERROR_INVALID_HANDLE, Likely that the service Provider has closed the port.\n"},
        {"first read, other", [](CFakeSerialDevice& d) { d.FailReads(EINVAL); }, nothing,
         "Unexpected ReadFile error: GetLastError returned: "},
        {"read, device gone", nothing, [](CFakeSerialDevice& d) { d.FailReads(EIO); },
         "ERROR_INVALID_HANDLE, Likely that the Service Privider has closed the port.\n"},
        {"read of nothing after ready", nothing, [](CFakeSerialDevice& d) { d.FailReads(0); },
         "ERROR_INVALID_HANDLE, Likely that the Service Privider has closed the port.\n"},
        {"read, other", nothing, [](CFakeSerialDevice& d) { d.FailReads(EINVAL); },
         "Unexpected GetOverlappedResult Read Error: GetLastError returned: "},
        {"collecting events", nothing,
         [](CFakeSerialDevice& d) {
             d.FailTakeEvents(EINVAL);
             d.RaiseEvents(EV_RLSD);
         },
         "Unexpected GetOverlappedResult for WaitCommEvent: GetLastError returned: "},
        {"collecting events, device gone", nothing,
         [](CFakeSerialDevice& d) {
             d.FailTakeEvents(ENODEV);
             d.RaiseEvents(EV_RLSD);
         },
         InvalidHandle},
        {"line errors", nothing,
         [](CFakeSerialDevice& d) {
             d.FailClearErrors(EINVAL);
             d.RaiseEvents(EV_ERR, CE_FRAME);
         },
         "ClearCommError: GetLastError returned: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakePort f;
        c.beforeOpen(*f.device);
        ASSERT_TRUE(f.Open());
        c.afterOpen(*f.device);
        ASSERT_TRUE(WaitUntil([&] { return f.ReaderEnded(); }));
        const auto lines = f.trace.Lines();
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0].rfind(c.trace, 0), 0u) << lines[0];
        EXPECT_EQ(lines[1], ShuttingDown);
        EXPECT_TRUE(f.port.Write("A", 1)); // the port is still open
        f.port.Close();
        EXPECT_EQ(f.trace.Count("Closing Read Thread\n"), 0);
    }
}

TEST(ComPortReader, BytesBeforeAFailedReadAreStillDelivered)
{
    FakePort f;
    ASSERT_TRUE(f.Open());
    CommTimeouts timeouts;
    ASSERT_TRUE(f.port.GetCommTimeouts(timeouts));
    timeouts.readIntervalTimeout = 0;
    ASSERT_TRUE(f.port.SetCommTimeouts(timeouts));
    f.device->Feed("AB");
    ASSERT_TRUE(WaitUntil([&] { return f.probe->bytesRead == 2; }));
    f.device->FailReads(EIO);
    ASSERT_TRUE(WaitUntil([&] { return f.ReaderEnded(); }));
    EXPECT_EQ(f.port.Chunks(), std::vector<std::string>{"AB"});
}

// ---- writing ----

TEST(ComPortWrite, EmptyBlockTouchesNothing)
{
    FakePort f;
    ASSERT_TRUE(f.Open());
    EXPECT_TRUE(f.port.Write(nullptr, 0));
    EXPECT_EQ(f.probe->writeCalls, 0);
}

TEST(ComPortWrite, PartTakenBlockGoesOnFromTheFirstByteNotWritten)
{
    FakePort f;
    ASSERT_TRUE(f.Open());
    f.device->LimitWrite(4);
    const std::string block = "AT#VTS=1,2,3\r";
    EXPECT_TRUE(f.port.Write(block.data(), static_cast<uint32_t>(block.size())));
    EXPECT_EQ(f.device->Sent(), block);
    std::lock_guard<std::mutex> guard(f.probe->lock);
    EXPECT_EQ(f.probe->writeOffsets, (std::vector<size_t>{0, 4, 8, 12}));
}

TEST(ComPortWrite, FailuresAreTracedAndThePortStaysOpen)
{
    {
        FakePort f;
        ASSERT_TRUE(f.Open());
        f.device->FailWrites(EIO);
        EXPECT_FALSE(f.port.Write("AT\r", 3));
        EXPECT_EQ(f.trace.Lines(), std::vector<std::string>{InvalidHandle});
    }
    {
        FakePort f;
        ASSERT_TRUE(f.Open());
        f.device->FailWrites(EINVAL);
        EXPECT_FALSE(f.port.Write("AT\r", 3));
        const auto lines = f.trace.Lines();
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0].rfind("Error to writing to CommFileGetLastError returned: \"Invalid argument\"", 0), 0u);
        EXPECT_EQ(lines[1], "Closing port\n");
        EXPECT_TRUE(f.port.IsOpen());
        f.device->FailWrites(0);
        EXPECT_FALSE(f.port.Write("AT\r", 3)); // takes no byte: a failure, not an endless loop
        EXPECT_EQ(f.probe->writeCalls, 2);
        EXPECT_EQ(f.trace.Count("Closing port\n"), 2);
    }
    {
        TraceCapture trace;
        CRecordingPort port;
        EXPECT_FALSE(port.Write("AT\r", 3));
        EXPECT_EQ(trace.Lines(), std::vector<std::string>{InvalidHandle});
    }
}

// ---- the stop handshake, run many times (meant for ThreadSanitizer) ----

TEST(ComPortStop, WhileTheReaderWaits)
{
    for (int i = 0; i < 300; ++i) {
        FakePort f;
        ASSERT_TRUE(f.Open());
        if (i % 2)
            f.device->Feed("OK\r");
        f.port.Close();
        ASSERT_TRUE(f.probe->destroyed);
        ASSERT_EQ(f.trace.Count(ShuttingDown), 1);
    }
}

TEST(ComPortStop, WhileOnReceiveRunsEndsAfterThatCallWithoutAnotherRead)
{
    for (int i = 0; i < 100; ++i) {
        FakePort f;
        f.port.HoldReceive();
        ASSERT_TRUE(f.Open());
        f.device->Feed("OK\r");
        ASSERT_TRUE(WaitUntil([&] { return f.port.InReceive(); }));
        f.device->Feed(Pattern(200));
        auto closing = std::async(std::launch::async, [&] { f.port.Close(); });
        // The receive queue is discarded right after the shutdown event is set (Open discarded it
        // once before).
        ASSERT_TRUE(WaitUntil([&] { return f.probe->discardInput == 2; }));
        f.port.Release();
        closing.get();
        ASSERT_EQ(f.port.Chunks(), std::vector<std::string>{"OK\r"});
        ASSERT_EQ(f.trace.Count(ShuttingDown), 1);
    }
}

TEST(ComPortStop, WhileDataStreamsIn)
{
    for (int i = 0; i < 200; ++i) {
        FakePort f;
        ASSERT_TRUE(f.Open());
        std::atomic<bool> stop{false};
        const int peer = f.device->DupPeer();
        std::thread feeder([&] {
            const std::string bytes(16, 'x');
            while (!stop) {
                if (::send(peer, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL) < 0)
                    std::this_thread::yield();
            }
        });
        ASSERT_TRUE(WaitUntil([&] { return f.probe->bytesRead > static_cast<size_t>(i % 7) * 16; }));
        f.port.Close();
        stop = true;
        feeder.join();
        ::close(peer);
        ASSERT_EQ(f.trace.Count(ShuttingDown), 1);
    }
}

TEST(ComPortStop, ReleasesAWaitingWriterWhichReturnsFalseWithNothingTraced)
{
    for (int i = 0; i < 200; ++i) {
        FakePort f;
        ASSERT_TRUE(f.Open());
        const std::string block(1 << 20, 'x'); // more than the device takes while nobody reads
        auto writing = std::async(std::launch::async,
                                  [&] { return f.port.Write(block.data(), static_cast<uint32_t>(block.size())); });
        ASSERT_TRUE(WaitUntil([&] { return f.probe->writeWouldBlock > 0; }));
        f.port.Close();
        ASSERT_FALSE(writing.get());
        ASSERT_EQ(f.trace.Count("Closing port\n"), 0);
        ASSERT_EQ(f.trace.Count(InvalidHandle), 0);
        ASSERT_TRUE(f.probe->destroyed);
    }
}

// ---- over a real pseudo-terminal ----

namespace {

struct PtyPort {
    TraceCapture trace;
    PtyPair pty{true};
    CRecordingPort port;

    bool Open()
    {
        if (!pty.IsValid())
            return false;
        int error = 0;
        auto device = OpenSerialDevice(pty.SlavePath(), &error);
        return device != nullptr && port.Open(device);
    }
};

} // namespace

TEST(ComPortOverPty, DeliversABurstIn128ByteChunksInOrder)
{
    PtyPort p;
    ASSERT_TRUE(p.Open());
    // A longer interval than the port's own, so that a busy machine's scheduling cannot split the
    // burst by a gap: only the 128-byte limit may.
    CommTimeouts timeouts;
    ASSERT_TRUE(p.port.GetCommTimeouts(timeouts));
    timeouts.readIntervalTimeout = 200;
    ASSERT_TRUE(p.port.SetCommTimeouts(timeouts));
    const std::string burst = Pattern(300);
    ASSERT_TRUE(p.pty.WriteMaster(burst));
    ASSERT_TRUE(p.port.WaitForBytes(300));
    const auto chunks = p.port.Chunks();
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].size(), 128u);
    EXPECT_EQ(chunks[1].size(), 128u);
    EXPECT_EQ(chunks[2].size(), 44u);
    EXPECT_EQ(p.port.Received(), burst);
}

TEST(ComPortOverPty, RawLineOnADeviceLeftCooked)
{
    PtyPort p;
    ASSERT_TRUE(p.Open());
    ASSERT_TRUE(p.pty.WriteMaster("OK\r\n"));
    ASSERT_TRUE(p.port.WaitForBytes(4));
    EXPECT_EQ(p.port.Received(), "OK\r\n"); // no CR/LF translation, no waiting for a line
    EXPECT_EQ(p.pty.MasterPending(), 0);    // no echo
    EXPECT_TRUE(p.port.Write("ATZ\r\n", 5));
    EXPECT_EQ(p.pty.ReadMaster(5), "ATZ\r\n"); // no CR added on output
    EXPECT_EQ(p.pty.ReadMaster(1, 50), "");
}

TEST(ComPortOverPty, ResponsesApartByMoreThanTheIntervalArriveApart)
{
    PtyPort p;
    ASSERT_TRUE(p.Open());
    ASSERT_TRUE(p.pty.WriteMaster("AB"));
    ASSERT_TRUE(WaitUntil([&] { return p.pty.SlavePending() == 0; }));
    std::this_thread::sleep_for(60ms); // the gap under test, longer than 20 ms
    ASSERT_TRUE(p.pty.WriteMaster("CD"));
    ASSERT_TRUE(p.port.WaitForBytes(4));
    EXPECT_EQ(p.port.Chunks(), (std::vector<std::string>{"AB", "CD"}));
}

TEST(ComPortOverPty, ChangedIntervalAppliesToTheRunningReader)
{
    PtyPort p;
    ASSERT_TRUE(p.Open());
    CommTimeouts timeouts;
    ASSERT_TRUE(p.port.GetCommTimeouts(timeouts));
    timeouts.readIntervalTimeout = 400;
    ASSERT_TRUE(p.port.SetCommTimeouts(timeouts));
    ASSERT_TRUE(p.pty.WriteMaster("AB"));
    ASSERT_TRUE(WaitUntil([&] { return p.pty.SlavePending() == 0; }));
    std::this_thread::sleep_for(60ms); // a gap shorter than the new interval
    ASSERT_TRUE(p.pty.WriteMaster("CD"));
    ASSERT_TRUE(p.port.WaitForBytes(4));
    EXPECT_EQ(p.port.Chunks(), std::vector<std::string>{"ABCD"});
}

TEST(ComPortOverPty, LargeBlockIsWrittenCompletelyInOrder)
{
    PtyPort p;
    ASSERT_TRUE(p.Open());
    const std::string block = Pattern(300000); // far more than the pty buffers: partial writes
    std::string got;
    std::thread farEnd([&] { got = p.pty.ReadMaster(block.size()); });
    EXPECT_TRUE(p.port.Write(block.data(), static_cast<uint32_t>(block.size())));
    farEnd.join();
    EXPECT_EQ(got.size(), block.size());
    EXPECT_TRUE(got == block);
}

TEST(ComPortOverPty, StopReleasesAWriterWaitingForTheDevice)
{
    PtyPort p;
    ASSERT_TRUE(p.Open());
    const std::string block = Pattern(1 << 20);
    auto writing =
        std::async(std::launch::async, [&] { return p.port.Write(block.data(), static_cast<uint32_t>(block.size())); });
    ASSERT_TRUE(WaitUntil([&] { return p.pty.MasterPending() > 0; }));
    p.port.Close();
    EXPECT_FALSE(writing.get());
    EXPECT_EQ(p.trace.Count("Closing port\n"), 0);
    EXPECT_EQ(p.trace.Count(InvalidHandle), 0);
}

TEST(ComPortOverPty, VanishedFarEndEndsTheReaderAndWriteReturnsCleanly)
{
    PtyPort p;
    ASSERT_TRUE(p.Open());
    ASSERT_TRUE(p.pty.WriteMaster("OK\r"));
    ASSERT_TRUE(p.port.WaitForBytes(3));
    p.pty.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return p.trace.Count(ShuttingDown) == 1; }));
    EXPECT_EQ(p.trace.CountContaining("Likely that the"), 1);
    EXPECT_FALSE(p.port.Write("ATZ\r", 4));
    p.port.Close();
    EXPECT_EQ(p.trace.Count("Closing Read Thread\n"), 0);
}

TEST(ComPortOverPty, FlowControlBytesAreDataAndNeverStopTheOutput)
{
    PtyPort p;
    ASSERT_TRUE(p.Open());
    const std::string bytes = "\x11"
                              "A\x13"
                              "B\x13";
    ASSERT_TRUE(p.pty.WriteMaster(bytes));
    ASSERT_TRUE(p.port.WaitForBytes(bytes.size()));
    EXPECT_EQ(p.port.Received(), bytes);
    // After a received 0x13 a write still goes out; should it hang, Close releases it.
    auto writing = std::async(std::launch::async, [&] { return p.port.Write("ATZ\r", 4); });
    EXPECT_EQ(p.pty.ReadMaster(4), "ATZ\r");
    if (writing.wait_for(5s) != std::future_status::ready)
        p.port.Close();
    EXPECT_TRUE(writing.get());
}

TEST(ComPortOverPty, WhatCameBeforeOpenIsNeverDelivered)
{
    PtyPort p;
    ASSERT_TRUE(p.pty.IsValid());
    // A "RING" the modem sent before we opened waits in the slave's queue.
    ASSERT_TRUE(p.pty.WriteMaster("RING\r\nNO CARRIER\r\n"));
    ASSERT_TRUE(WaitUntil([&] { return p.pty.SlavePending() > 0; }));
    ASSERT_TRUE(p.Open());
    ASSERT_TRUE(p.pty.WriteMaster("OK\r\n"));
    ASSERT_TRUE(p.port.WaitForBytes(4));
    p.port.Close();
    EXPECT_EQ(p.port.Received(), "OK\r\n");
}

TEST(ComPortOverPty, VanishedDeviceIsReportedOnceFromTheReader)
{
    struct CGonePort : CRecordingPort {
        void OnDeviceGone() override
        {
            readerThread = IsReaderThread();
            CRecordingPort::OnDeviceGone();
        }
        bool IsReaderThread() const { return std::this_thread::get_id() != ownerThread; }
        std::thread::id ownerThread = std::this_thread::get_id();
        std::atomic<bool> readerThread{false};
    };
    TraceCapture trace;
    PtyPair pty(true);
    ASSERT_TRUE(pty.IsValid());
    CGonePort port;
    int error = 0;
    auto device = OpenSerialDevice(pty.SlavePath(), &error);
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(port.Open(device));
    pty.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return port.DeviceGoneCalls() == 1; }));
    EXPECT_TRUE(port.readerThread.load());
    ASSERT_TRUE(WaitUntil([&] { return trace.Count(ShuttingDown) == 1; }));
    port.Close();
    EXPECT_EQ(port.DeviceGoneCalls(), 1);
}

TEST(ComPortOverPty, NormalCloseIsNoVanishedDevice)
{
    for (bool dataFirst : {false, true}) {
        PtyPort p;
        ASSERT_TRUE(p.Open());
        if (dataFirst) {
            ASSERT_TRUE(p.pty.WriteMaster("OK\r\n"));
            ASSERT_TRUE(p.port.WaitForBytes(4));
        }
        p.port.Close();
        EXPECT_EQ(p.trace.Count(ShuttingDown), 1);
        p.pty.CloseMaster(); // the far end going after the close is no news either
        EXPECT_EQ(p.port.DeviceGoneCalls(), 0);
    }
}

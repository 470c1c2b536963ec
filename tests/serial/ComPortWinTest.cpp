// The Windows CComPort on a scripted fake device (line events, carrier changes, aborted reads and
// a write released by the stop, which Wine on a pseudo-terminal cannot show), and on the memory
// line with the simulator at the far end. Runs under Wine.
#include "serial/ComPort.h"

#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <string>

#include "FakeCommDevice.h"
#include "platform/MemoryLine.h"
#include "sim/Simulator.h"
#include "support/TraceCapture.h"
#include "support/WaitUntil.h"

namespace {

const std::string ShuttingDown = "Read thread shutting down\n";
const std::string FallBackText = "on this port: reading with the read interval alone, no line events";

class CRecordingPort : public CComPort {
public:
    ~CRecordingPort() override { Close(); }
    bool OnReceive(const uint8_t* data, uint32_t count) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_received.append(reinterpret_cast<const char*>(data), count);
        ++m_chunks;
        return true;
    }
    void OnCarrierChange() override { ++carrierChanges; }
    void OnDeviceGone() override { ++deviceGone; }
    std::string Received()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_received;
    }
    std::atomic<int> carrierChanges{0};
    std::atomic<int> deviceGone{0};

private:
    std::mutex m_lock;
    std::string m_received;
    int m_chunks = 0;
};

// A port on a fake device; the device is the port's once opened.
struct FakePort {
    TraceCapture trace;
    CRecordingPort port;
    CFakeCommDevice* fake = new CFakeCommDevice;
    std::shared_ptr<CFakeCommDevice::Probe> probe = fake->GetProbe();
    SerialHandle device = std::make_unique<CWinSerialDevice>(reinterpret_cast<void*>(1), std::unique_ptr<IWinCommApi>(fake));

    // Opens and waits until the reader has its first read outstanding (or has ended).
    bool Open()
    {
        return port.Open(device) && WaitUntil([&] {
                   std::lock_guard<std::mutex> guard(probe->lock);
                   return probe->readCalls > 0;
               });
    }
    bool WaitReceived(const std::string& text)
    {
        return WaitUntil([&] { return port.Received() == text; });
    }
};

} // namespace

TEST(ComPortWin, OpenConfiguresTheLineAndKeepsWhatItDoesNotSet)
{
    FakePort f;
    ASSERT_TRUE(f.Open());
    std::lock_guard<std::mutex> guard(f.probe->lock);
    EXPECT_EQ(f.probe->dcb.BaudRate, 9600u);
    EXPECT_EQ(f.probe->dcb.ByteSize, 8);
    EXPECT_EQ(f.probe->dcb.Parity, NOPARITY);
    EXPECT_EQ(f.probe->dcb.StopBits, ONESTOPBIT);
    EXPECT_EQ(f.probe->dcb.fAbortOnError, 0u);
    EXPECT_EQ(f.probe->dcb.EvtChar, '\n');
    EXPECT_EQ(f.probe->dcb.fOutxCtsFlow, 1u); // the device's flow control stays
    EXPECT_EQ(f.probe->timeouts.ReadIntervalTimeout, 20u);
    EXPECT_EQ(f.probe->timeouts.ReadTotalTimeoutConstant, 0u);
    EXPECT_EQ(f.probe->mask, static_cast<DWORD>(EV_RXFLAG | EV_RLSD | EV_ERR));
}

TEST(ComPortWin, RefusesAHandleThatIsNoCommDeviceAndLeavesItToTheCaller)
{
    FakePort f;
    f.fake->fileType = FILE_TYPE_DISK;
    EXPECT_FALSE(f.port.Open(f.device));
    EXPECT_NE(f.device, nullptr);
    EXPECT_EQ(f.trace.Count("File handle is not a comm handle.\n"), 1);
    EXPECT_FALSE(f.probe->closed);
}

TEST(ComPortWin, LineEventsDeliverTheReadCallOnCarrierChangeAndTraceLineErrors)
{
    FakePort f;
    ASSERT_TRUE(f.Open());
    ASSERT_TRUE(WaitUntil([&] { return f.probe->Count("WaitCommEvent") == 1; }));
    f.fake->Feed("OK\r\n");
    f.fake->RaiseEvents(EV_RXFLAG | EV_RLSD);
    ASSERT_TRUE(f.WaitReceived("OK\r\n"));
    ASSERT_TRUE(WaitUntil([&] { return f.port.carrierChanges == 1; }));

    struct Case {
        DWORD errors;
        const char* text;
    } cases[] = {
        {CE_FRAME | CE_OVERRUN, "CE_FRAME and CE_OVERRUN"},
        {0, "NULL ERROR"},
        {CE_RXPARITY | CE_BREAK, "CE_RXPARITY and EV_ERR Unknown EvtMask"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WaitUntil([&] { return f.probe->eventWaitArmed; }));
        f.fake->RaiseEvents(EV_ERR, c.errors);
        EXPECT_TRUE(WaitUntil([&] { return f.trace.Count(std::string(c.text) + "\r\n") == 1; })) << c.text;
    }
    f.fake->Feed("RING\r\n"); // reception goes on
    EXPECT_TRUE(f.WaitReceived("OK\r\nRING\r\n"));
    EXPECT_EQ(f.trace.Count(ShuttingDown), 0);
}

TEST(ComPortWin, EventsWaitingBeforeTheWaitIsArmedAreHandledAtOnce)
{
    FakePort f;
    f.fake->RaiseEvents(EV_RLSD);
    ASSERT_TRUE(f.Open());
    EXPECT_TRUE(WaitUntil([&] { return f.port.carrierChanges == 1; }));
    EXPECT_EQ(f.trace.Count("Event (Error) waiting before WaitCommEvent.\n"), 1);
}

TEST(ComPortWin, WithoutLineEventsReadsWithTheIntervalAloneTracedOnce)
{
    struct Case {
        const char* name;
        DWORD waitError;
        bool abortWaits;
    } cases[] = {{"not supported", ERROR_NOT_SUPPORTED, false}, {"always aborted", 0, true}};
    for (const Case& c : cases) {
        FakePort f;
        f.fake->waitCommEventError = c.waitError;
        f.fake->abortEventWaits = c.abortWaits;
        f.fake->modemStatus = 0;
        ASSERT_TRUE(f.Open()) << c.name;
        f.fake->Feed("OK\r\n");
        ASSERT_TRUE(f.WaitReceived("OK\r\n")) << c.name;
        // The carrier is seen from the modem lines after a read.
        f.fake->SetModemStatus(MS_RLSD_ON);
        f.fake->Feed("CONNECT\r\n");
        ASSERT_TRUE(f.WaitReceived("OK\r\nCONNECT\r\n")) << c.name;
        EXPECT_TRUE(WaitUntil([&] { return f.port.carrierChanges == 1; })) << c.name;
        EXPECT_EQ(f.trace.CountContaining(FallBackText), 1) << c.name;
    }
}

TEST(ComPortWin, UnsupportedModemStatusAndDtrAreTracedNotFatal)
{
    FakePort f;
    f.fake->waitCommEventError = ERROR_NOT_SUPPORTED;
    f.fake->modemStatusError = ERROR_NOT_SUPPORTED;
    ASSERT_TRUE(f.Open());
    f.fake->Feed("OK\r\n");
    ASSERT_TRUE(f.WaitReceived("OK\r\n"));
    EXPECT_TRUE(f.port.Write("ATZ\r\n", 5));
    f.port.Close();
    EXPECT_EQ(f.trace.CountContaining("GetCommModemStatus: "), 1);
    EXPECT_EQ(f.trace.CountContaining("EscapeCommFunction(CLRDTR): "), 1);
    EXPECT_TRUE(f.probe->closed);
}

TEST(ComPortWin, StopEndsTheReaderWhetherOrNotPurgeCommAbortsTheRead)
{
    for (bool purgeAborts : {true, false}) {
        FakePort f;
        f.fake->purgeAbortsRead = purgeAborts;
        ASSERT_TRUE(f.Open());
        f.port.Close();
        EXPECT_EQ(f.trace.Count("Closing Read Thread\n"), 1) << purgeAborts;
        EXPECT_EQ(f.trace.Count(ShuttingDown), 1) << purgeAborts;
        // The reader cancels its own outstanding operations; the handle goes last.
        const std::vector<std::string> calls = f.probe->Calls();
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back(), "CloseHandle") << purgeAborts;
        EXPECT_GE(f.probe->Count("CancelIo"), 1) << purgeAborts;
        EXPECT_EQ(f.probe->Count("PurgeComm 10"), 2) << purgeAborts; // the stop and the reader's end
        EXPECT_EQ(f.probe->Count("PurgeComm 5"), 1) << purgeAborts;
    }
}

TEST(ComPortWin, AVanishedDeviceEndsTheReaderAndTellsTheOwnerOnce)
{
    struct Case {
        DWORD error;
        const char* trace;
    } cases[] = {
        {ERROR_BROKEN_PIPE, "Unexpected GetOverlappedResult Read Error: "},
        {ERROR_INVALID_HANDLE, "ERROR_INVALID_HANDLE, Likely that the Service Privider has closed the port.\n"},
    };
    for (const Case& c : cases) {
        FakePort f;
        ASSERT_TRUE(f.Open());
        f.fake->FailRead(c.error);
        // The owner is told last, once the reader has shut down.
        ASSERT_TRUE(WaitUntil([&] { return f.port.deviceGone == 1; })) << c.error;
        EXPECT_EQ(f.trace.Count(ShuttingDown), 1) << c.error;
        EXPECT_EQ(f.trace.CountContaining(c.trace), 1) << c.error;
        EXPECT_TRUE(f.port.IsOpen());
        EXPECT_TRUE(f.port.Write("ATH\r\n", 5)); // the port stays open for writing
    }
}

TEST(ComPortWin, WriteGoesOnFromTheFirstByteNotTaken)
{
    FakePort f;
    f.fake->firstWriteTakes = 3;
    ASSERT_TRUE(f.Open());
    EXPECT_TRUE(f.port.Write("AT#CLS=8\r", 9));
    std::lock_guard<std::mutex> guard(f.probe->lock);
    EXPECT_EQ(f.probe->written, "AT#CLS=8\r");
}

TEST(ComPortWin, WriteRefusedAtOnceIsTracedAndThePortStaysOpen)
{
    FakePort f;
    f.fake->writeError = ERROR_GEN_FAILURE;
    ASSERT_TRUE(f.Open());
    EXPECT_FALSE(f.port.Write("ATZ\r\n", 5));
    EXPECT_EQ(f.trace.CountContaining("Error to writing to CommFile"), 1);
    EXPECT_EQ(f.trace.Count("Closing port\n"), 1);
    EXPECT_TRUE(f.port.IsOpen());
}

TEST(ComPortWin, AWaitingWriteIsReleasedByTheStopWithNothingTraced)
{
    FakePort f;
    f.fake->writesWait = true;
    ASSERT_TRUE(f.Open());
    auto writer = std::async(std::launch::async, [&] { return f.port.Write("ATDT5550100\r", 12); });
    ASSERT_TRUE(WaitUntil([&] {
        std::lock_guard<std::mutex> guard(f.probe->lock);
        return !f.probe->written.empty();
    }));
    EXPECT_EQ(writer.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    f.port.Close();
    EXPECT_FALSE(writer.get());
    EXPECT_EQ(f.trace.CountContaining("CommFile"), 0);
    EXPECT_EQ(f.trace.Count("Closing port\n"), 0);
}

TEST(ComPortWin, PortNamesStandForTheirDevices)
{
    const std::pair<const char*, const char*> cases[] = {
        {"com1", "\\\\.\\COM1"}, {"COM10", "\\\\.\\COM10"}, {"\\\\.\\COM3", "\\\\.\\COM3"},
        {"sim:2", "sim:2"},      {"com0", ""},                {"com", ""},
        {"lpt1", ""},            {"com1x", ""},
    };
    for (const auto& [name, path] : cases)
        EXPECT_EQ(SerialDevicePath(name), path) << name;
}

TEST(ComPortWin, TalksToTheSimulatorOverTheMemoryLine)
{
    SimConfig config = DefaultSimConfig();
    config.fast = true;
    CSimulator sim;
    std::string error;
    ASSERT_TRUE(sim.Start(config, &error, SimLink::Memory)) << error;

    int openError = 0;
    SerialHandle device = OpenSerialDevice(sim.DevicePath(), &openError);
    ASSERT_NE(device, nullptr) << openError;
    EXPECT_EQ(OpenSerialDevice(sim.DevicePath(), &openError), nullptr); // one user at a time
    EXPECT_EQ(openError, static_cast<int>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(OpenSerialDevice("sim:999999", &openError), nullptr);
    EXPECT_EQ(openError, static_cast<int>(ERROR_FILE_NOT_FOUND));

    TraceCapture trace;
    CRecordingPort port;
    ASSERT_TRUE(port.Open(device));
    ASSERT_TRUE(port.Write("ATZ\r\n", 5));
    EXPECT_TRUE(WaitUntil([&] { return port.Received().find("OK\r\n") != std::string::npos; })) << port.Received();
    port.Close();
    EXPECT_EQ(trace.CountContaining(FallBackText), 1);
    // Closed, the line takes a new user.
    EXPECT_NE(OpenSerialDevice(sim.DevicePath(), &openError), nullptr);
}

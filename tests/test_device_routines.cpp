#include "device/port_name.h"
#include "tester/pin_tester.h"
#include "tools/sim/virtual_device.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTest>

namespace {

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values)
{
    std::vector<std::uint8_t> bytes;
    for (int value : values)
        bytes.push_back(static_cast<std::uint8_t>(value));
    return bytes;
}

// Waits until the device has taken `count` bytes.
std::vector<std::uint8_t> ReceivedBy(const VirtualDevice &device, std::size_t count)
{
    QDeadlineTimer deadline(1000);
    while (device.Received().size() < count && !deadline.hasExpired())
        QTest::qWait(5);
    return device.Received();
}

} // namespace

class TestDeviceRoutines : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<VirtualDevice> m_device;
    std::unique_ptr<CPinTester> m_tester;

private slots:
    void init()
    {
        m_device = std::make_unique<VirtualDevice>();
        std::string error;
        QVERIFY2(m_device->Open(error), error.c_str());
        m_device->Start();
        m_tester = std::make_unique<CPinTester>();
        QCOMPARE(m_tester->m_serial.Open(QString::fromStdString(m_device->DevicePath()), CPinTester::kLineSettings,
                                         CPinTester::kReadTimeoutMs), 1);
    }
    void cleanup()
    {
        m_tester.reset();
        m_device.reset();
    }

    void sendsAllThreePortsExactly()
    {
        m_tester->m_portDir[0] = 0x12;
        m_tester->m_portDir[1] = 0x0F;
        m_tester->m_portDir[2] = 0x00;
        m_tester->m_portOut[0] = 0x21;
        m_tester->m_portOut[2] = 0x81;
        m_tester->SendDirections();
        m_tester->SendOutputs();
        QCOMPARE(ReceivedBy(*m_device, 15), Bytes({0x21, 0x41, 0x12, 0x21, 0x42, 0x0F, 0x21, 0x43, 0x00,
                                                   0x41, 0x21, 0x42, 0x00, 0x43, 0x81}));
        const DeviceModel model = m_device->Model();
        QCOMPARE(model.direction, (DeviceModel::Ports{0x12, 0x0F, 0x00}));
        QCOMPARE(model.latch, (DeviceModel::Ports{0x21, 0x00, 0x81}));
    }

    void nothingIsSentWhileClosed()
    {
        m_tester->m_serial.Close();
        m_tester->SendDirections();
        m_tester->SendOutputs();
        QTest::qWait(50);
        QVERIFY(m_device->Received().empty());
    }

    void readPortAnswersTheComputedLevels()
    {
        m_device->SetInputs(1, 0x5A);
        m_tester->m_portDir[1] = 0xF0;
        m_tester->m_portOut[1] = 0x0C;
        m_tester->SendDirections();
        m_tester->SendOutputs();
        QCOMPARE(m_tester->ReadPort(0), 0xFF);
        QCOMPARE(m_tester->ReadPort(1), 0x5C);
        QCOMPARE(m_tester->ReadPort(2), 0xFF);
        const std::vector<std::uint8_t> received = m_device->Received();
        QCOMPARE(std::vector<std::uint8_t>(received.end() - 3, received.end()), Bytes({'a', 'b', 'c'}));
    }

    void aSilentDeviceReadsAsFFAfterTheTimeOut()
    {
        m_device->SetSilent(true);
        m_device->SetInputs(0, 0x00);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(m_tester->ReadPort(0), 0xFF);
        QVERIFY(clock.elapsed() >= 45);
    }

    void strayAndLateBytesDoNotShiftLaterAnswers()
    {
        m_device->SetInputs(0, 0x01);
        m_device->SetInputs(1, 0x02);
        m_device->SetInputs(2, 0x03);
        m_device->SendStray(0x77);
        QTest::qWait(20);
        QCOMPARE(m_tester->ReadPort(0), 0x01);

        m_device->SetDelayMs(70);
        QCOMPARE(m_tester->ReadPort(0), 0xFF);
        m_device->SetDelayMs(0);
        QTest::qWait(40);
        QCOMPARE(m_tester->ReadPort(1), 0x02);
        QCOMPARE(m_tester->ReadPort(2), 0x03);
    }
};

QTEST_GUILESS_MAIN(TestDeviceRoutines)
#include "test_device_routines.moc"

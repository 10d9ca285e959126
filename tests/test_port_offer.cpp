// SPDX-License-Identifier: MIT
#include "BoardUarts.h"
#include "MSComm.h"
#include "OpenRefusal.h"
#include "PortOffer.h"
#include "PortProblem.h"
#include "PortPrompt.h"
#include "PortScan.h"
#include "PtyPair.h"
#include "test_faults_support.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

PortRecord usb(std::string device, std::string description, std::string manufacturer, std::string serial,
               std::uint16_t vendor, std::uint16_t product)
{
    PortRecord record;
    record.device = std::move(device);
    record.description = std::move(description);
    record.manufacturer = std::move(manufacturer);
    record.serialNumber = std::move(serial);
    record.vendorId = vendor;
    record.productId = product;
    return record;
}

PortRecord bare(std::string device)
{
    PortRecord record;
    record.device = std::move(device);
    return record;
}

QStringList texts(const std::vector<PortOffer::Entry>& entries)
{
    QStringList lines;
    for (const auto& entry : entries)
        lines << QString::fromStdString(entry.text);
    return lines;
}

const PortRecord* find(const std::vector<PortRecord>& records, const std::string& device)
{
    for (const PortRecord& record : records)
        if (record.device == device)
            return &record;
    return nullptr;
}

// A terminal session on a pseudo-terminal: a child process in a session of its own whose
// controlling terminal is the line's slave, as a shell in a terminal window has.
class TerminalSession {
public:
    explicit TerminalSession(const PtyPair& line)
    {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            // The session keeps its terminal once the descriptor is closed, as a root getty's
            // stays out of sight.
            const bool made = ::setsid() >= 0 && ::ioctl(line.slaveFd(), TIOCSCTTY, 0) == 0 && ::close(line.slaveFd()) == 0;
            if (::write(ready[1], made ? "y" : "n", 1) != 1)
                ::_exit(1);
            ::pause();
            ::_exit(0);
        }
        ::close(ready[1]);
        char made = 0;
        started_ = ::read(ready[0], &made, 1) == 1 && made == 'y';
        ::close(ready[0]);
    }
    ~TerminalSession()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    bool started() const { return started_; }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    bool started_ = false;
};

// The entry for a device, found in what a prompt shows.
QString entryFor(const QStringList& lines, const std::string& device)
{
    for (const QString& line : lines)
        if (line.contains(QString::fromStdString(device) + " "))
            return line;
    return {};
}

}  // namespace

class PortOfferTest : public QObject {
    Q_OBJECT

private slots:
    // USB adapters this machine does not have: numbers, devices and what each is, in port order,
    // columns lined up; two adapters of one model told apart by serial number; what stands in
    // the way of opening one; devices without a number last.
    void entriesFromRecords()
    {
        const PortRecord ftdi = usb("/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A50285BI", 0x0403, 0x6001);
        QCOMPARE(texts(PortOffer::entries({ftdi})),
                 QStringList{"33  /dev/ttyUSB0  FT232R USB UART (FTDI, serial A50285BI)"});
        const PortRecord uno = usb("/dev/ttyACM0", "Arduino Uno", "", "", 0x2341, 0x0043);
        QCOMPARE(texts(PortOffer::entries({uno})), QStringList{"65  /dev/ttyACM0  Arduino Uno"});

        PortRecord builtIn = bare("/dev/ttyS0");
        builtIn.noPermission = true;
        PortRecord ch340 = usb("/dev/ttyUSB3", "", "", "", 0x1a86, 0x7523);
        ch340.users.writer = PortHolder::Holder{4242, "minicom"};
        PortRecord line = bare("/dev/pts/3");
        line.virtualLine = true;
        const std::vector<PortRecord> records{
            usb("/dev/ttyUSB32", "CH340 serial converter", "QinHeng", "", 0x1a86, 0x7523),
            bare("/dev/rfcomm0"),
            line,
            usb("/dev/ttyUSB2", "CP2102 USB to UART Bridge Controller", "Silicon Labs", "0002", 0x10c4, 0xea60),
            uno,
            ch340,
            usb("/dev/ttyUSB1", "CP2102 USB to UART Bridge Controller", "Silicon Labs", "0001", 0x10c4, 0xea60),
            builtIn,
            ftdi,
            usb("/dev/ttyUSB4", "", "Prolific", "", 0x067b, 0x2303),
        };
        const auto entries = PortOffer::entries(records);
        QCOMPARE(texts(entries), (QStringList{
            "1     /dev/ttyS0     built-in serial port: no permission",
            "33    /dev/ttyUSB0   FT232R USB UART (FTDI, serial A50285BI)",
            "34    /dev/ttyUSB1   CP2102 USB to UART Bridge Controller (Silicon Labs, serial 0001)",
            "35    /dev/ttyUSB2   CP2102 USB to UART Bridge Controller (Silicon Labs, serial 0002)",
            "36    /dev/ttyUSB3   USB device 1a86:7523: in use by minicom (pid 4242)",
            "37    /dev/ttyUSB4   Prolific",
            "65    /dev/ttyACM0   Arduino Uno",
            "129   /dev/rfcomm0   Bluetooth serial line",
            "1003  /dev/pts/3     virtual line",
            "      /dev/ttyUSB32  CH340 serial converter (QinHeng), no port number",
        }));
        QCOMPARE(entries.front().number, std::optional<std::int16_t>(1));
        QCOMPARE(entries[7].number, std::optional<std::int16_t>(129));
        QVERIFY(!entries.back().number);

        // A failure names what can be typed now: at most three, then how many more.
        QCOMPARE(PortOffer::presentNow(records),
                 "Present now: 1 /dev/ttyS0 (built-in serial port), 33 /dev/ttyUSB0 (FT232R USB UART), "
                 "34 /dev/ttyUSB1 (CP2102 USB to UART Bridge Controller) and 6 more.");
        QCOMPARE(PortOffer::presentNow({records[4], records[1]}),
                 "Present now: 65 /dev/ttyACM0 (Arduino Uno), 129 /dev/rfcomm0 (Bluetooth serial line).");
        QCOMPARE(PortOffer::presentNow({records[0]}), "No serial port is present now.");
        QCOMPARE(PortOffer::presentNow({}), "No serial port is present now.");
    }

    // A board's own UARTs on a made-up device tree, as a Raspberry Pi's kernel shows them: what
    // each is from its compatible strings, what it is wired to, and which /dev/serialN names it;
    // a port without a device tree (a USB adapter) and the serial/ folder of udev's links are
    // left as they are. The scan describes the ports it finds so.
    void aBoardsOwnUarts()
    {
        const DeviceRoot dev;
        const QTemporaryDir sys;
        BoardUarts::setSysfsRoot(sys.path().toStdString());
        const auto restore = qScopeGuard([] { BoardUarts::setSysfsRoot("/sys"); });
        const auto uart = [&](const QString& tty, const QByteArray& compatible) {
            const QString node = sys.path() + "/class/tty/" + tty + "/device/of_node";
            QVERIFY(QDir().mkpath(node));
            QFile file(node + "/compatible");
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(compatible);
            QFile(dev.dir.path() + "/" + tty).open(QIODevice::WriteOnly);
        };
        uart("ttyS0", QByteArray("brcm,bcm2835-aux-uart\0", 22));
        uart("ttyS1", QByteArray("snps,dw-apb-uart\0", 17));
        uart("ttyAMA0", QByteArray("arm,pl011\0arm,primecell\0", 24));
        uart("ttyAMA10", QByteArray("arm,pl011-axi\0", 14));
        QVERIFY(QDir().mkpath(sys.path() + "/class/tty/ttyAMA0/device/of_node/bluetooth"));
        QVERIFY(QFile::link("ttyS0", dev.dir.path() + "/serial0"));
        QVERIFY(QFile::link("ttyAMA0", dev.dir.path() + "/serial1"));
        QVERIFY(QDir(dev.dir.path()).mkpath("serial/by-id"));

        std::vector<PortRecord> records;
        for (const char* tty : {"ttyS0", "ttyS1", "ttyAMA0", "ttyAMA10", "ttyUSB0"})
            records.push_back(bare(dev.dir.path().toStdString() + "/" + tty));
        BoardUarts::describe(records);
        const QStringList lines = texts(PortOffer::entries(records));
        const QString root = dev.dir.path();
        const std::vector<std::pair<QString, QString>> expected{
            {"1 ", "ttyS0 +mini UART as " + QRegularExpression::escape(root) + "/serial0 \\(GPIO header\\)"},
            {"2 ", "ttyS1 +UART \\(snps,dw-apb-uart\\)"},
            {"33 ", "ttyUSB0 +USB serial adapter"},
            {"97 ", "ttyAMA0 +PL011 UART as " + QRegularExpression::escape(root) + "/serial1, for Bluetooth"},
            {"107 ", "ttyAMA10 +PL011 UART"},
        };
        QCOMPARE(lines.size(), 5);
        for (std::size_t i = 0; i < expected.size(); ++i)
            QVERIFY2(QRegularExpression("^" + expected[i].first + " *" + QRegularExpression::escape(root) + "/"
                                        + expected[i].second + "$")
                         .match(lines[static_cast<qsizetype>(i)])
                         .hasMatch(),
                     qPrintable(lines[static_cast<qsizetype>(i)]));

        // This machine's own ports, as the scan finds them, each with a UART behind it on the tree.
        std::vector<PortRecord> found = PortScan::devices();
        std::erase_if(found, [](const PortRecord& record) { return record.virtualLine; });
        if (found.empty())
            QSKIP("the scan finds no serial port on this machine to describe");
        for (const PortRecord& record : found)
            uart(QFileInfo(QString::fromStdString(record.device)).fileName(), QByteArray("test,uart\0", 10));
        for (const PortRecord& record : PortScan::devices())
            QVERIFY2(record.virtualLine || record.description.find("UART (test,uart)") != std::string::npos,
                     record.device.c_str());
    }

    // Every fault as the user reads it, from each code the system's map knows and from each kind
    // beside: a change of kind or of wording shows here.
    void everyFaultInWords()
    {
        using Kind = PortFault::Kind;
        const DeviceRoot root;  // a device that is not there has no group to join
        const std::string device = root.node(33).toStdString(), present = PortOffer::presentNow(PortScan::present());
        const std::string held = root.dir.path().toStdString() + "/held";  // open for writing in another process
        const int heldHere = ::open(held.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        QVERIFY(heldHere >= 0);
        const pid_t holder = ::fork();
        if (holder == 0)
            ::_exit(::pause());
        ::close(heldHere);
        const auto code = [&](int error) { return OpenRefusal::faultOf(error, 33, device); };
        const auto at = [&](Kind kind) { return PortFault::of(kind, 33, device); };
        PortFault grouped = at(Kind::NoPermission), named = at(Kind::InUse), nameless = named,
                  told = at(Kind::NotSerial), stuck = at(Kind::Stuck), taken = at(Kind::AdapterTaken);
        taken.chip = "CP210x";
        taken.usbId = "10c4:ea60";
        grouped.group = "dialout";
        named.holder = PortFault::Holder{4242, "minicom"};
        nameless.holder = PortFault::Holder{4242, ""};
        told.systemWords = "a printer";
        stuck.bound = std::chrono::seconds(2);
        const std::string noDevice = "No device " + device + " for port 33. " + present;
        const std::vector<std::pair<PortFault, std::string>> faults{
            {code(EACCES), device + ": permission denied."}, {code(EPERM), device + ": permission denied."},
            {code(EBUSY), device + " is in use by another program."}, {code(ENOENT), noDevice},
            {code(ENOTDIR), noDevice}, {code(ENODEV), noDevice}, {code(ENXIO), noDevice},
            {code(ENOTTY), device + " is not a serial device."},
            {code(EIO), device + " is not connected: no device answers behind it (unplugged?)."},
            {code(EDOM), device + ": Numerical argument out of domain."},
            {OpenRefusal::faultOf(EBUSY, 33, held), held + " is in use by "
                 + QFileInfo(QCoreApplication::applicationFilePath()).fileName().left(15).toStdString() + " (pid "
                 + std::to_string(holder) + ")."},
            {PortFault::of(Kind::NoSuchNumber, 2000), "Port 2000 names no device. " + present},
            {grouped,
             device + ": permission denied. Join the dialout group: sudo usermod -aG dialout $USER, then log in again."},
            {named, device + " is in use by minicom (pid 4242)."}, {nameless, device + " is in use by the program with pid 4242."},
            {told, device + " is not a serial port (a printer)."},
            {PortFault::of(Kind::Absent, 7, "COM7"), "There is no COM7 on this computer. " + present},
            {PortFault::of(Kind::InUseOrDenied, 7, "COM7"),
             "COM7 is in use by another program, or Windows denies access to it."},
            {at(Kind::Lost), device + " was lost (unplugged?)."},
            {stuck, device + " took nothing for 2 s."},
            {at(Kind::NotOpen), "No port is open: Run or Com opens one."},
            // The system in the way, as far as the sysfs and /proc trees of theSystemInTheWay leave it.
            {taken, "The CP210x adapter 10c4:ea60 has no port: something took it from its driver, most often "
                    "brltty, the braille display service. Unless a braille display is used: sudo apt remove brltty, "
                    "then plug the adapter in again."},
            {at(Kind::MaybeProbed), device + " is in use by another program: ModemManager may be probing it, and "
                                             "lets go within half a minute; try again then. To keep ModemManager off "
                                             "the device, give it ID_MM_DEVICE_IGNORE in a udev rule."},
            {at(Kind::SettingsNotTaken),
             device + " did not take 9600 baud, 8N1, no flow control: its driver set the line otherwise."},
        };
        ::kill(holder, SIGKILL);
        ::waitpid(holder, nullptr, 0);
        for (const auto& [fault, words] : faults)
            QCOMPARE(QString::fromStdString(PortProblem::line(fault)), QString::fromStdString(words));
    }

    // Real pseudo-terminals: a line nobody uses as a terminal is offered as a virtual line, one
    // that is a terminal session is not, and a line another program holds says which.
    void virtualLinesButNoTerminalSessions()
    {
        PtyPair free, session;
        const TerminalSession shell(session);
        QVERIFY(shell.started());
        PtyPair held;  // after the session's fork, so that only the child below holds it
        int release[2];
        QVERIFY(::pipe(release) == 0);
        const pid_t holder = ::fork();
        if (holder == 0) {
            ::close(release[1]);
            ::close(held.masterFd());  // a writer, not the line's far end
            const int fd = ::open(held.slavePath().c_str(), O_WRONLY | O_NOCTTY);
            char any;
            [[maybe_unused]] const ssize_t released = ::read(release[0], &any, 1);  // until the test lets go
            ::_exit(fd >= 0 ? 0 : 1);
        }
        ::close(release[0]);
        const std::vector<PortRecord> present = PortScan::present();
        ::close(release[1]);
        int status = 0;
        ::waitpid(holder, &status, 0);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);

        const PortRecord* offered = find(present, free.slavePath());
        QVERIFY(offered);
        QVERIFY(offered->virtualLine);
        QVERIFY(!find(present, session.slavePath()));
        MSComm control;  // nor does the control stream into it
        control.setCommPort(session.portNumber());
        try {
            control.setPortOpen(true);
            QFAIL("a terminal session's line opened");
        } catch (const PortFailure& failure) {
            QVERIFY2(QByteArray(failure.what()).contains(" is in use by "), failure.what());
        }
        const PortRecord* inUse = find(present, held.slavePath());
        QVERIFY(inUse);
        QVERIFY(inUse->users.writer);
        QCOMPARE(inUse->users.writer->pid, holder);
        const QString entry = entryFor(texts(PortOffer::entries(present)), held.slavePath());
        const QString number = QString::number(held.portNumber());
        QVERIFY2(QRegularExpression("^" + number + " +" + QString::fromStdString(held.slavePath())
                                    + " +virtual line: in use by \\S+ \\(pid " + QString::number(holder) + "\\)$")
                     .match(entry)
                     .hasMatch(),
                 qPrintable(entry));
    }

    // The prompt: the proposed answer selected in the field, which has the focus; the offer
    // following lines that come and go (within a second, but a busy machine may starve this
    // test: the bounds are generous); a click picking an entry's number.
    void promptOffersFollowsAndPicks()
    {
        PortPrompt prompt;
        prompt.setLabelText("Check COM port, change if required");
        prompt.setTextValue("4");
        prompt.show();
        auto* field = prompt.findChild<QLineEdit*>("portField");
        auto* offer = prompt.findChild<QListWidget*>("portOffer");
        QVERIFY(field && offer);
        QCOMPARE(prompt.focusWidget(), field);
        QCOMPARE(field->selectedText(), "4");

        auto line = std::make_unique<PtyPair>();
        const std::string device = line->slavePath();
        const QString number = QString::number(line->portNumber());
        QTRY_VERIFY_WITH_TIMEOUT(!entryFor(prompt.offered(), device).isEmpty(), 30000);
        QVERIFY(entryFor(prompt.offered(), device).startsWith(number + " "));
        QVERIFY(entryFor(prompt.offered(), device).endsWith("virtual line"));

        const auto items = offer->findItems(entryFor(prompt.offered(), device), Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        offer->scrollToItem(items[0]);
        QTest::mouseClick(offer->viewport(), Qt::LeftButton, {}, offer->visualItemRect(items[0]).center());
        QCOMPARE(prompt.textValue(), number);
        QCOMPARE(prompt.focusWidget(), field);
        QCOMPARE(field->selectedText(), number);

        // By keyboard: into the list, to the entry, and Return picks it and answers the prompt.
        field->setText("4");
        QTest::keyClick(field, Qt::Key_Tab);
        QCOMPARE(prompt.focusWidget(), offer);
        QTest::keyClick(offer, Qt::Key_Home);
        for (int row = 0; row < offer->row(items[0]); ++row)
            QTest::keyClick(offer, Qt::Key_Down);
        QCOMPARE(prompt.textValue(), "4");  // walking the list alone picks nothing
        QTest::keyClick(offer, Qt::Key_Return);
        QCOMPARE(prompt.result(), int(QDialog::Accepted));
        QCOMPARE(prompt.textValue(), number);

        prompt.show();
        line.reset();
        QTRY_VERIFY_WITH_TIMEOUT(entryFor(prompt.offered(), device).isEmpty(), 30000);
        QCOMPARE(prompt.textValue(), number);  // a refresh changes nothing the user picked or typed
    }

    // What the system itself keeps from the panel, from trees made here: brltty's takeover of a
    // CH340 as sysfs shows it, in the offer and for a USB port's number (a CP210x that kept its
    // tty is no such case); ModemManager running while someone unseen holds a port; a login
    // console on a line; a group the user joined after this login began.
    void theSystemInTheWay()
    {
        const DeviceRoot dev;
        const QTemporaryDir sys, proc, etc;
        PortTable::setSysfsRoot(sys.path().toStdString());
        PortTable::setProcRoot(proc.path().toStdString());
        PortTable::setGroupFile((etc.path() + "/group").toStdString());
        const auto back = qScopeGuard([] {
            PortTable::setSysfsRoot("/sys");
            PortTable::setProcRoot("/proc");
            PortTable::setGroupFile("/etc/group");
        });
        const auto put = [](const QString& path, const QByteArray& text) {
            QDir().mkpath(QFileInfo(path).path());
            QFile file(path);
            return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
        };
        const QString usb = sys.path() + "/bus/usb/devices/";
        QVERIFY(put(usb + "3-1/idVendor", "1a86\n") && put(usb + "3-1/idProduct", "7523\n"));
        QVERIFY(QDir().mkpath(sys.path() + "/bus/usb/drivers/usbfs") && QDir().mkpath(usb + "3-1/3-1:1.0"));
        QVERIFY(QFile::link(sys.path() + "/bus/usb/drivers/usbfs", usb + "3-1/3-1:1.0/driver"));
        QVERIFY(put(usb + "3-2/idVendor", "10c4\n") && put(usb + "3-2/idProduct", "ea60\n"));
        QVERIFY(QDir().mkpath(usb + "3-2/3-2:1.0/ttyUSB0"));
        QVERIFY(put(proc.path() + "/812/comm", "brltty\n"));

        const QString taken = "The CH340 adapter 1a86:7523 has no port: brltty (pid 812), the braille display service, "
                              "took it. Unless a braille display is used: sudo apt remove brltty, then plug the adapter "
                              "in again.";
        std::vector<PortRecord> records = PortScan::devices();
        std::erase_if(records, [](const PortRecord& record) { return !record.portTaken; });
        const auto entries = PortOffer::entries(records);
        QCOMPARE(entries.size(), 1u);
        QVERIFY(!entries[0].number);
        QCOMPARE(QString::fromStdString(entries[0].text).simplified(), taken);
        const auto line = [](int error, std::int16_t number, const std::string& device) {
            return QString::fromStdString(PortProblem::line(OpenRefusal::faultOf(error, number, device)));
        };
        QCOMPARE(line(ENOENT, 33, dev.node(33).toStdString()), taken);
        QVERIFY(line(ENOENT, 1, dev.node(1).toStdString()).startsWith("No device "));

        QVERIFY(put(proc.path() + "/640/comm", "ModemManager\n"));
        QVERIFY(put(usb + "1-2/idVendor", "2341\n") && put(usb + "1-2/idProduct", "0043\n"));
        QVERIFY(QDir().mkpath(usb + "1-2/1-2:1.0") && QDir().mkpath(sys.path() + "/class/tty/ttyACM0"));
        QVERIFY(QFile::link(usb + "1-2/1-2:1.0", sys.path() + "/class/tty/ttyACM0/device"));
        QCOMPARE(line(EBUSY, 65, dev.node(65).toStdString()),
                 dev.node(65) + " is in use by another program: ModemManager (pid 640) may be probing it, and lets "
                                "go within half a minute; try again then. To keep ModemManager off the device, give "
                                "2341:0043 ID_MM_DEVICE_IGNORE in a udev rule.");

        const PtyPair console;
        struct stat node {};
        QCOMPARE(::stat(console.slavePath().c_str(), &node), 0);
        const unsigned long ttyNr = (::minor(node.st_rdev) & 0xff) | (::major(node.st_rdev) << 8)
            | ((::minor(node.st_rdev) & ~0xffUL) << 12);
        QVERIFY(put(proc.path() + "/512/stat", "512 (agetty) S 1 512 512 " + QByteArray::number(ttyNr) + " -1 4194560"));
        QVERIFY(put(proc.path() + "/512/comm", "agetty\n"));
        const std::string slave = console.slavePath();
        QCOMPARE(line(EACCES, 1000, slave),
                 QString::fromStdString(slave + " carries a login console, agetty (pid 512): switch it off, on a "
                                                "Raspberry Pi in raspi-config (Interface Options, Serial Port: no login "
                                                "shell), elsewhere with sudo systemctl mask --now serial-getty@"
                                        + slave.substr(slave.rfind('/') + 1) + "."));

        // A node only its group may use, in a group that root, for one, must be given.
        const QString adapter = dev.node(34);
        QVERIFY(put(adapter, {}));
        QCOMPARE(::chmod(adapter.toLocal8Bit().constData(), 0060), 0);
        const gid_t gid = ::getegid() != 0 ? ::getegid() : 20;
        QCOMPARE(::chown(adapter.toLocal8Bit().constData(), static_cast<uid_t>(-1), gid), 0);
        const group* owner = ::getgrgid(gid);
        if (owner == nullptr)
            QSKIP("the device's group has no name here");
        const QByteArray name = owner->gr_name, id = QByteArray::number(gid);
        QVERIFY(put(etc.path() + "/group", "x:x:1:\n" + name + ":x:" + id + ":nobody," + ::getpwuid(::getuid())->pw_name));
        QVERIFY(put(proc.path() + "/self/status", "Gid:\t1\t1\t1\t1\nGroups:\t1 " + id + " \n"));
        QCOMPARE(line(EACCES, 34, adapter.toStdString()), adapter + ": permission denied. Join the " + name
                     + " group: sudo usermod -aG " + name + " $USER, then log in again.");
        QVERIFY(put(proc.path() + "/self/status", "Gid:\t1\t1\t1\t1\nGroups:\t1 4\n"));
        QCOMPARE(line(EACCES, 34, adapter.toStdString()), adapter + ": permission denied. You are in the " + name
                     + " group, but this login began before you joined it: log out and in again, or restart the "
                       "computer.");
    }
};

QTEST_MAIN(PortOfferTest)
#include "test_port_offer.moc"

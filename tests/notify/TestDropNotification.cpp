#include "DropNotification.h"

#include <QDBusMessage>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

Q_DECLARE_METATYPE(DroppedPartner)

namespace {

const QString ServiceName = QStringLiteral("org.freedesktop.Notifications");
const QString ServicePath = QStringLiteral("/org/freedesktop/Notifications");

// A session bus of the test's own: dbus-daemon in the foreground, ended
// with the test. Its configuration is the session bus's without service
// activation, so that a notification service installed on the machine
// never starts in the fake's place.
class PrivateSessionBus {
public:
    QString start() {
        const QString config = dir_.filePath(QStringLiteral("session.conf"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                                  "<auth>EXTERNAL</auth><policy context=\"default\">"
                                  "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                  "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
                                  "</busconfig>")
                       .arg(dir_.path())
                       .toUtf8());
        file.close();
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                       QStringLiteral("--print-address")});
        if (!daemon_.waitForReadyRead(10000))
            return {};
        return QString::fromUtf8(daemon_.readLine().trimmed());
    }

    ~PrivateSessionBus() {
        daemon_.kill();
        daemon_.waitForFinished();
    }

private:
    QTemporaryDir dir_;
    QProcess daemon_;
};

// What the fake service does after showing a notification.
enum class Answer {
    Click,          // the seller clicks it
    ClickAtOnce,    // the click comes before Notify's reply
    Close,          // the seller closes it
    ClickOnAnother, // another program's notification is clicked, then this one closed
    Nothing,        // the seller never looks
};

// A stand-in for the desktop's notification service: it keeps every Notify
// call's arguments and answers as the test says.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    explicit FakeNotifications(QDBusConnection bus)
        : bus_(std::move(bus)) {}

    QStringList capabilities;
    Answer answer = Answer::Close;
    QList<QVariantList> calls;

public slots:
    QStringList GetCapabilities() { return capabilities; }

    uint Notify(const QString& appName, uint replacesId, const QString& appIcon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int expireTimeout) {
        calls.append({appName, replacesId, appIcon, summary, body, actions, hints, expireTimeout});
        const uint id = ++lastId_;
        if (answer == Answer::ClickAtOnce)
            send(QStringLiteral("ActionInvoked"), {id, QStringLiteral("default")});
        // After the reply, as a service answers a seller.
        QTimer::singleShot(0, this, [this, id] {
            switch (answer) {
            case Answer::Click:
                send(QStringLiteral("ActionInvoked"), {id, QStringLiteral("default")});
                break;
            case Answer::ClickOnAnother:
                send(QStringLiteral("ActionInvoked"), {id + 100, QStringLiteral("default")});
                send(QStringLiteral("NotificationClosed"), {id, 2u});
                break;
            case Answer::Close:
                send(QStringLiteral("NotificationClosed"), {id, 2u});
                break;
            case Answer::ClickAtOnce:
            case Answer::Nothing:
                break;
            }
        });
        return id;
    }

private:
    void send(const QString& signal, const QVariantList& arguments) {
        QDBusMessage message = QDBusMessage::createSignal(ServicePath, ServiceName, signal);
        message.setArguments(arguments);
        bus_.send(message);
    }

    QDBusConnection bus_;
    uint lastId_ = 0;
};

const QList<DroppedPartner> OneDrop{{QStringLiteral("山野蜂蜜"),
                                     QStringLiteral("http://shanye.taobao.com"),
                                     QStringLiteral("不再链接你")}};

} // namespace

Q_DECLARE_METATYPE(Answer)

// The notification of partners lost, shown to a fake notification service
// on a private session bus: what it says, and what its answers lead to.
class TestDropNotification : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void answers_data();
    void answers();
    void texts_data();
    void texts();

private:
    // Shows `drops` of myshop through the fake; the addresses whose
    // changes a click opened.
    QStringList notify(const QList<DroppedPartner>& drops, std::chrono::milliseconds wait,
                       QDBusConnection bus);

    PrivateSessionBus daemon_;
    QString address_;
    std::unique_ptr<FakeNotifications> fake_;
};

void TestDropNotification::initTestCase() {
    address_ = daemon_.start();
    QVERIFY2(!address_.isEmpty(), "dbus-daemon did not start");
    QDBusConnection serviceBus = QDBusConnection::connectToBus(address_, QStringLiteral("fake"));
    QVERIFY(serviceBus.isConnected());
    fake_ = std::make_unique<FakeNotifications>(serviceBus);
    QVERIFY(serviceBus.registerObject(ServicePath, fake_.get(), QDBusConnection::ExportAllSlots));
}

void TestDropNotification::cleanup() {
    QDBusConnection(QStringLiteral("fake")).unregisterService(ServiceName);
    fake_->calls.clear();
}

QStringList TestDropNotification::notify(const QList<DroppedPartner>& drops,
                                         std::chrono::milliseconds wait, QDBusConnection bus) {
    QStringList opened;
    NotificationRoute route{std::move(bus), [&opened](const QString& a) { opened << a; }, wait};
    QCoro::waitFor(notifyDrops(QStringLiteral("myshop"), drops, std::move(route)));
    return opened;
}

void TestDropNotification::answers_data() {
    QTest::addColumn<bool>("busRuns");
    QTest::addColumn<bool>("serviceRuns");
    QTest::addColumn<QStringList>("capabilities");
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<int>("waitMs");
    QTest::addColumn<QStringList>("opened");
    QTest::addColumn<bool>("waitedOut");

    const QStringList clickable{QStringLiteral("actions"), QStringLiteral("body")};
    const QStringList myshop{QStringLiteral("myshop")};
    QTest::newRow("a click opens the changes")
        << true << true << clickable << Answer::Click << 20000 << myshop << false;
    QTest::newRow("a click before the notification's reply")
        << true << true << clickable << Answer::ClickAtOnce << 20000 << myshop << false;
    QTest::newRow("closed: nothing opens")
        << true << true << clickable << Answer::Close << 20000 << QStringList() << false;
    QTest::newRow("another notification's click is not this one's")
        << true << true << clickable << Answer::ClickOnAnother << 20000 << QStringList() << false;
    QTest::newRow("never answered: waits as long as it may, no longer")
        << true << true << clickable << Answer::Nothing << 300 << QStringList() << true;
    QTest::newRow("a service without clicks is not waited for")
        << true << true << QStringList{QStringLiteral("body")} << Answer::Nothing << 20000
        << QStringList() << false;
    QTest::newRow("no notification service")
        << true << false << clickable << Answer::Click << 20000 << QStringList() << false;
    QTest::newRow("no session bus")
        << false << true << clickable << Answer::Click << 20000 << QStringList() << false;
}

void TestDropNotification::answers() {
    QFETCH(bool, busRuns);
    QFETCH(bool, serviceRuns);
    QFETCH(QStringList, capabilities);
    QFETCH(Answer, answer);
    QFETCH(int, waitMs);
    QFETCH(QStringList, opened);
    QFETCH(bool, waitedOut);
    QDBusConnection fakeBus(QStringLiteral("fake"));
    if (serviceRuns)
        QVERIFY(fakeBus.registerService(ServiceName));
    fake_->capabilities = capabilities;
    fake_->answer = answer;

    const QDBusConnection bus =
        busRuns ? QDBusConnection::connectToBus(address_, QStringLiteral("notifier"))
                : QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                QStringLiteral("no bus"));

    QElapsedTimer clock;
    clock.start();
    QCOMPARE(notify(OneDrop, std::chrono::milliseconds(waitMs), bus), opened);
    QCOMPARE(clock.elapsed() >= waitMs, waitedOut);
    QCOMPARE(fake_->calls.size(), busRuns && serviceRuns ? 1 : 0);
}

void TestDropNotification::texts_data() {
    QTest::addColumn<QList<DroppedPartner>>("drops");
    QTest::addColumn<QStringList>("capabilities");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("body");

    const QStringList clickable{QStringLiteral("actions"), QStringLiteral("body")};
    const QList<DroppedPartner> odd{
        {QStringLiteral("<b>A&B</b>"), QStringLiteral("http://ab.taobao.com"),
         QStringLiteral("移除")},
        {QString(), QStringLiteral("http://gone.taobao.com"), QStringLiteral("店铺已关闭")}};
    QTest::newRow("one partner") << OneDrop << clickable
                                 << QStringLiteral("myshop：1 家友情链接店铺流失")
                                 << QStringLiteral("不再链接你：山野蜂蜜\n点击查看全部变化");
    QTest::newRow("markup escaped, an address for a missing name")
        << odd << (QStringList(clickable) << QStringLiteral("body-markup"))
        << QStringLiteral("myshop：2 家友情链接店铺流失")
        << QStringLiteral("移除：&lt;b&gt;A&amp;B&lt;/b&gt;\n店铺已关闭：http://gone.taobao.com\n"
                          "点击查看全部变化");
    QTest::newRow("plain text as it is; no click to mention")
        << odd << QStringList{QStringLiteral("body")}
        << QStringLiteral("myshop：2 家友情链接店铺流失")
        << QStringLiteral("移除：<b>A&B</b>\n店铺已关闭：http://gone.taobao.com");

    QList<DroppedPartner> ten;
    QStringList lines;
    for (int i = 1; i <= 10; ++i) {
        ten.append({QStringLiteral("店铺%1").arg(i), {}, QStringLiteral("不再链接你")});
        if (i <= MaxDropLines)
            lines << QStringLiteral("不再链接你：店铺%1").arg(i);
    }
    QTest::newRow("more partners than lines")
        << ten << clickable << QStringLiteral("myshop：10 家友情链接店铺流失")
        << (lines << QStringLiteral("……还有 2 家") << QStringLiteral("点击查看全部变化"))
               .join(u'\n');
}

void TestDropNotification::texts() {
    QFETCH(QList<DroppedPartner>, drops);
    QFETCH(QStringList, capabilities);
    QFETCH(QString, summary);
    QFETCH(QString, body);
    QVERIFY(QDBusConnection(QStringLiteral("fake")).registerService(ServiceName));
    fake_->capabilities = capabilities;
    fake_->answer = Answer::Close;

    notify(drops, std::chrono::seconds(20),
           QDBusConnection::connectToBus(address_, QStringLiteral("notifier")));
    QCOMPARE(fake_->calls.size(), 1);
    const QVariantList call = fake_->calls[0];
    const QStringList actions =
        capabilities.contains(QStringLiteral("actions"))
            ? QStringList{QStringLiteral("default"), QStringLiteral("查看变化")}
            : QStringList();
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("zembrel")}};
    QCOMPARE(call, (QVariantList{QStringLiteral("Zembrel"), 0u, QStringLiteral("zembrel"), summary,
                                 body, actions, hints, 0}));
}

QTEST_GUILESS_MAIN(TestDropNotification)
#include "TestDropNotification.moc"

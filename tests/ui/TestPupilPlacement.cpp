#include "PupilPlacement.h"
#include "WatchingEyes.h"

#include <QLabel>
#include <QTest>
#include <QWidget>
#include <limits>

using eyes::placePupils;

class TestPupilPlacement : public QObject {
    Q_OBJECT

private slots:
    void placement_data();
    void placement();
    void pupilCentreStaysOnTheRim_data();
    void pupilCentreStaysOnTheRim();
    void noMoveFromFaultyResult_data();
    void noMoveFromFaultyResult();
    void eyesFollowAndKeepTheirPlaceAtTheCentre();
};

void TestPupilPlacement::placement_data() {
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("top");

    // Eye centre 10740, 255; travel radius 75.
    QTest::newRow("right of both eyes") << 12000.f << 255.f << 10755.f << 195.f;
    QTest::newRow("straight above") << 10740.f << 0.f << 10680.f << 120.f;
    QTest::newRow("inside the rim still goes to the rim") << 10750.f << 255.f << 10755.f << 195.f;
    QTest::newRow("grid point, looking left") << 1000.f << 255.f << 10605.f << 195.f;
    QTest::newRow("straight below") << 10740.f << 5000.f << 10680.f << 270.f;
    QTest::newRow("negative grid coordinates") << 10740.f << -300.f << 10680.f << 120.f;
}

void TestPupilPlacement::placement() {
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(float, left);
    QFETCH(float, top);

    const std::optional<eyes::PupilPlaces> places = placePupils(x, y);
    QVERIFY(places);
    QCOMPARE(places->leftX, left);
    QCOMPARE(places->leftY, top);
    // The right pupil is the left one shifted by the left eye's width.
    QCOMPARE(places->rightX, left + 360);
    QCOMPARE(places->rightY, top);
}

void TestPupilPlacement::pupilCentreStaysOnTheRim_data() {
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");

    QTest::newRow("far below left") << 0.f << 8000.f;
    QTest::newRow("diagonal near") << 10741.f << 256.f;
    QTest::newRow("over the grid") << 5000.f << 3000.f;
}

void TestPupilPlacement::pupilCentreStaysOnTheRim() {
    QFETCH(float, x);
    QFETCH(float, y);

    const std::optional<eyes::PupilPlaces> places = placePupils(x, y);
    QVERIFY(places);
    const double dx = places->leftX + 60 - 10740.0;
    const double dy = places->leftY + 60 - 255.0;
    QVERIFY(qAbs(std::sqrt(dx * dx + dy * dy) - 75) < 0.01);
    // Towards the pointer, not away from it.
    QVERIFY(dx * (x - 10740.0) >= 0);
    QVERIFY(dy * (y - 255.0) >= 0);
}

void TestPupilPlacement::noMoveFromFaultyResult_data() {
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");

    const float inf = std::numeric_limits<float>::infinity();
    QTest::newRow("exactly the left eye's centre") << 10740.f << 255.f;
    QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << 255.f;
    QTest::newRow("infinite") << inf << 255.f;
    QTest::newRow("beyond single precision") << std::numeric_limits<float>::max() << 3e38f;
}

void TestPupilPlacement::noMoveFromFaultyResult() {
    QFETCH(float, x);
    QFETCH(float, y);

    QVERIFY(!placePupils(x, y));
}

void TestPupilPlacement::eyesFollowAndKeepTheirPlaceAtTheCentre() {
    QWidget window;
    WatchingEyes watching(&window);
    QCOMPARE(watching.pupils().leftX, 10680.f);
    QCOMPARE(watching.pupils().leftY, 240.f);
    QCOMPARE(watching.pupils().rightX, 11040.f);

    watching.pointerMoved(10740, 0);
    const auto* leftPupil = window.findChild<QLabel*>(QStringLiteral("Image2_0"));
    const auto* rightPupil = window.findChild<QLabel*>(QStringLiteral("Image2_1"));
    QCOMPARE(leftPupil->geometry(), QRect(712, 8, 8, 8));
    QCOMPARE(rightPupil->geometry(), QRect(736, 8, 8, 8));

    watching.pointerMoved(10740, 255);
    QCOMPARE(watching.pupils().leftX, 10680.f);
    QCOMPARE(watching.pupils().leftY, 120.f);
    QCOMPARE(leftPupil->geometry(), QRect(712, 8, 8, 8));
}

QTEST_MAIN(TestPupilPlacement)
#include "TestPupilPlacement.moc"

// The widget against the simulated board on a real pseudo-terminal, mapped as Comm1 and
// chosen through the port list as an operator would.
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "platform/port_map.h"
#include "vyx/sim/simulator.h"
#include "widget_harness.h"

using vyx::Field;
using vyx::test::Shown;

class BoardTest : public QObject {
  Q_OBJECT

  std::unique_ptr<vyx::sim::Simulator> sim_;
  std::unique_ptr<VyxWidget> w_;

  void pickComm1() {
    auto* comm = Shown<QComboBox>(*w_, Field::CmbComm);
    comm->setFocus(Qt::TabFocusReason);
    QTest::keyClick(comm, Qt::Key_Down);
  }
  // Presses Update with the mouse, or with Enter where the focus is.
  bool update(bool byKey = false) {
    QSignalSpy newData(w_.get(), &VyxWidget::NewData);
    if (byKey) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    if (!byKey) QTest::mouseClick(Shown(*w_, Field::CmdUpdate), Qt::LeftButton);
    return newData.wait(3000);
  }
  void type(Field f, const char* text, Qt::Key then) {
    QTest::mouseClick(Shown(*w_, f), Qt::LeftButton);
    Shown<QLineEdit>(*w_, f)->selectAll();
    QTest::keyClicks(Shown(*w_, f), QString::fromLatin1(text));
    QTest::keyClick(Shown(*w_, f), then);
  }

 private Q_SLOTS:
  void init() {
    sim_ = std::make_unique<vyx::sim::Simulator>(vyx::sim::Options{});
    const std::string device = sim_->Start();
    QVERIFY2(!device.empty(), sim_->LastError().c_str());
    w_ = std::make_unique<VyxWidget>();
    QVERIFY(w_->portMap().Set(1, device).ok());
    QVERIFY(vyx::test::ShowActive(*w_));
  }
  void cleanup() {
    w_.reset();
    if (sim_) sim_->Stop();
    sim_.reset();
  }

  void anUpdateFillsThePanelThenEditsGoOutWithTheNext() {
    pickComm1();
    QCOMPARE(w_->CommStatus() + w_->CommPort(), QStringLiteral("Connect1"));
    auto* label = Shown<QLabel>(*w_, Field::LblComm);
    QVERIFY(!label->font().bold());
    QCOMPARE(label->palette().color(QPalette::WindowText),
             w_->palette().color(QPalette::ButtonText));
    QVERIFY(sim_->FrameLog().empty());  // opening the port says nothing to the board

    QSignalSpy newData(w_.get(), &VyxWidget::NewData);
    QVERIFY(update());
    QTest::qWait(400);  // nothing more arrives for the one press
    QCOMPARE(newData.count(), 1);
    QCOMPARE(w_->MicroStatus(), QStringLiteral("Ready"));
    // The simulated board's analog inputs are 1, 2, 2.5, 3 and 4 V.
    const double volts[] = {1.0, 2.0, 2.5, 3.0, 4.0};
    const Field shown[] = {Field::TxtAD0, Field::TxtAD1, Field::TxtAD2, Field::TxtAD3,
                           Field::TxtAD4};
    for (int i = 0; i < 5; ++i) {
      const QString text = Shown<QLineEdit>(*w_, shown[i])->text();
      QCOMPARE(text, w_->propertyValue(QStringLiteral("AD%1volt").arg(i)).toString());
      QVERIFY2(qAbs(text.toDouble() - volts[i]) < 0.05, qPrintable(text));
    }
    QCOMPARE(Shown<QLineEdit>(*w_, Field::BufTime)->text(), w_->CLKtime());
    QCOMPARE(Shown<QLabel>(*w_, Field::LblFW)->text(), w_->FWver());
    QVERIFY(!w_->CLKtime().isEmpty() && w_->FWver() != QStringLiteral("NA"));
    // Outputs and the identifier the operator edits wait for the next update, which sends
    // them.
    sim_->ClearFrameLog();
    type(Field::BufName, "probe-7", Qt::Key_Tab);
    QTest::mouseClick(Shown(*w_, Field::ChkDON), Qt::LeftButton);
    type(Field::BufPWM, "55", Qt::Key_Return);  // Enter leaves the focus on Update
    QTest::qWait(200);  // time for a frame to reach the board, were one sent
    QVERIFY(sim_->FrameLog().empty());
    QVERIFY(!sim_->ReadOutputs(0)->don);

    QVERIFY(update(true));
    QVERIFY(sim_->ReadOutputs(0)->don && sim_->ReadOutputs(0)->pwm != 0);
    QCOMPARE(w_->PWMduty().toDouble(), 55.0);  // read back from the board
    QByteArray id;                             // the identifier's bytes from EEPROM address 2
    for (std::uint8_t a = 2; a < 9; ++a) id += char(sim_->ReadEeprom(0, a).value_or(0));
    QCOMPARE(id, QByteArray("probe-7"));

    QTest::mouseClick(Shown(*w_, Field::CmdZero), Qt::LeftButton);
    QVERIFY(sim_->ReadOutputs(0)->don);  // Zero only marks; the update sends
    QVERIFY(update());
    QVERIFY(!sim_->ReadOutputs(0)->don && sim_->ReadOutputs(0)->pwm == 0);
    QTest::mouseClick(Shown(*w_, Field::CmdClear), Qt::LeftButton);
    QCOMPARE(Shown<QLineEdit>(*w_, Field::TxtAD0)->text(), QString());
    QCOMPARE(Shown<QLabel>(*w_, Field::LblStatus)->text(), QStringLiteral("Ready"));
    QCOMPARE(w_->CommStatus(), QStringLiteral("Connect"));
  }

  // A device that does not open says what to do about it.
  void aPortThatDoesNotOpenSaysWhy() {
    const std::string device = sim_->DevicePath();
    VyxWidget other;
    QVERIFY(other.portMap().Set(1, device).ok());
    other.setCommPort(QStringLiteral("1"));
    QCOMPARE(other.CommStatus(), QStringLiteral("Connect"));
    pickComm1();
    QCOMPARE(w_->CommStatus(), QStringLiteral("Offline"));
    QCOMPARE(w_->portError(), QString::fromStdString(device + ": in use by another program"));
    if (geteuid() == 0) QSKIP("root opens any device; run as another user to see the rest");
    other.setCommPort(QStringLiteral("0"));
    QCOMPARE(::chmod(device.c_str(), 0), 0);
    pickComm1();
    ::chmod(device.c_str(), S_IRUSR | S_IWUSR);
    QCOMPARE(w_->portError(), QString::fromStdString(device) +
                                  ": permission denied: add yourself to the dialout group (sudo "
                                  "usermod -aG dialout $USER) and log in again");
  }

  // Each press of Update ends once: after NewData when the board answers, with the reason when
  // it is silent or no port is open; the readings as numbers come from the reply itself.
  void eachUpdateEndsOnceWithItsReason() {
    QStringList heard;
    connect(w_.get(), &VyxWidget::NewData, this, [&] { heard << QStringLiteral("NewData"); });
    connect(w_.get(), &VyxWidget::updateEnded, this, [&](bool ok, const QString& reason) {
      heard << (ok ? QStringLiteral("ok") : QStringLiteral("failed: ") + reason);
    });
    const struct {
      const char* port;
      bool mute;
      QStringList heard;
    } updates[] = {{"1", false, {"NewData", "ok"}},
                   {"1", true, {"failed: no reply"}},
                   {"1", false, {"NewData", "ok"}},
                   {"2", false, {"failed: port not open: Comm2 is not mapped"}}};
    // One spy for all: an end that came twice shows in the count of the next update.
    QSignalSpy ended(w_.get(), &VyxWidget::updateEnded);
    for (qsizetype n = 1; const auto& u : updates) {
      if (w_->CommPort() != QLatin1String(u.port)) w_->setCommPort(QString::fromLatin1(u.port));
      sim_->SetFaults({.silence = u.mute ? 1.0 : 0.0});
      heard.clear();
      w_->setUpdateCmd(true);
      QVERIFY(ended.size() == n || ended.wait(5000));
      QCOMPARE(ended.size(), n++);
      QVERIFY2(heard.size() == u.heard.size() && heard.first().startsWith(u.heard.first()) &&
                   heard.last().startsWith(u.heard.last()),
               qPrintable(heard.join(" | ")));
      const std::optional<vyx::Readings> r = w_->lastReadings();
      if (u.port[0] == '1') QCOMPARE(r.has_value(), !u.mute);
      if (r) QCOMPARE(QString::number(r->volts[0], 'f', 3), w_->AD0volt());
    }
  }
};

QTEST_MAIN(BoardTest)
#include "board_test.moc"

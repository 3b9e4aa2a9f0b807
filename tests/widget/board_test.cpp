// The widget against the simulated board on a real pseudo-terminal, mapped as Comm1 and
// chosen through the port list as an operator would.
#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "control/vyx.h"
#include "platform/port_map.h"
#include "vyx/sim/simulator.h"
#include "widget_harness.h"

using vyx::Field;
using vyx::test::ShowActive;
using vyx::test::Shown;

namespace {

constexpr int kUpdateWaitMs = 3000;

}  // namespace

class BoardTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<vyx::sim::Simulator> sim_;
  std::unique_ptr<VyxWidget> w_;

  // Picks Comm1 in the port list with the keyboard.
  void pickComm1() {
    auto* comm = Shown<QComboBox>(*w_, Field::CmbComm);
    comm->setFocus(Qt::TabFocusReason);
    QTest::keyClick(comm, Qt::Key_Down);
  }

  bool update() {
    QSignalSpy newData(w_.get(), &VyxWidget::NewData);
    QTest::mouseClick(Shown(*w_, Field::CmdUpdate), Qt::LeftButton);
    return newData.wait(kUpdateWaitMs);
  }

 private Q_SLOTS:
  void init() {
    sim_ = std::make_unique<vyx::sim::Simulator>(vyx::sim::Options{});
    const std::string device = sim_->Start();
    QVERIFY2(!device.empty(), sim_->LastError().c_str());
    w_ = std::make_unique<VyxWidget>();
    QVERIFY(w_->portMap().Set(1, device).ok());
    QVERIFY(ShowActive(*w_));
  }

  void cleanup() {
    w_.reset();
    if (sim_) sim_->Stop();
    sim_.reset();
  }

  void thePortListOpensTheBoard() {
    QSignalSpy changed(w_.get(), &VyxWidget::CommStatusChanged);
    pickComm1();
    QCOMPARE(w_->CommStatus(), QStringLiteral("Connect"));
    QCOMPARE(w_->CommPort(), QStringLiteral("1"));
    auto* label = Shown<QLabel>(*w_, Field::LblComm);
    QCOMPARE(label->text(), QStringLiteral("Connect"));
    QVERIFY(!label->font().bold());
    QCOMPARE(label->palette().color(QPalette::WindowText),
             w_->palette().color(QPalette::ButtonText));
    QVERIFY(changed.count() >= 1);
    QVERIFY(sim_->FrameLog().empty());  // opening the port says nothing to the board
  }

  void updateFillsThePanelAndRaisesNewDataOnce() {
    pickComm1();
    QSignalSpy newData(w_.get(), &VyxWidget::NewData);
    QTest::mouseClick(Shown(*w_, Field::CmdUpdate), Qt::LeftButton);
    QVERIFY(newData.wait(kUpdateWaitMs));
    // Nothing more arrives for the one press.
    QTest::qWait(400);
    QCOMPARE(newData.count(), 1);
    QCOMPARE(w_->MicroStatus(), QStringLiteral("Ready"));

    // The simulated board's analog inputs are 1, 2, 2.5, 3 and 4 V.
    const double expected[] = {1.0, 2.0, 2.5, 3.0, 4.0};
    const Field shown[] = {Field::TxtAD0, Field::TxtAD1, Field::TxtAD2, Field::TxtAD3,
                           Field::TxtAD4};
    for (int i = 0; i < 5; ++i) {
      const QString text = Shown<QLineEdit>(*w_, shown[i])->text();
      QCOMPARE(text, w_->propertyValue(QStringLiteral("AD%1volt").arg(i)).toString());
      bool ok = false;
      const double volts = text.toDouble(&ok);
      QVERIFY2(ok && qAbs(volts - expected[i]) < 0.05, qPrintable(text));
    }
    QVERIFY(!Shown<QLineEdit>(*w_, Field::TxtDIT)->text().isEmpty());
    QCOMPARE(Shown<QLineEdit>(*w_, Field::BufDIF)->text(), w_->DIFcount());
    QCOMPARE(Shown<QLineEdit>(*w_, Field::BufTime)->text(), w_->CLKtime());
    QVERIFY(!w_->CLKtime().isEmpty());
    const QString fw = Shown<QLabel>(*w_, Field::LblFW)->text();
    QCOMPARE(fw, w_->FWver());
    QVERIFY2(!fw.isEmpty() && fw != QStringLiteral("NA"), qPrintable(fw));
    QCOMPARE(Shown<QLineEdit>(*w_, Field::BufVref)->text(), w_->Vrefvolt());
    QVERIFY(!w_->Vrefvolt().isEmpty());
  }

  void enterInABufferSendsNothingUntilUpdate() {
    pickComm1();
    QVERIFY(update());
    QTest::qWait(100);
    sim_->ClearFrameLog();

    auto* pwm = Shown<QLineEdit>(*w_, Field::BufPWM);
    QTest::mouseClick(pwm, Qt::LeftButton);
    pwm->selectAll();
    QTest::keyClicks(pwm, QStringLiteral("55"));
    QTest::keyClick(pwm, Qt::Key_Return);
    QVERIFY(Shown(*w_, Field::CmdUpdate)->hasFocus());
    QCOMPARE(w_->PWMduty(), QStringLiteral("55"));
    QVERIFY(!w_->component().UpdateInProgress());
    QTest::qWait(200);  // time for a frame to reach the board, were one sent
    QVERIFY(sim_->FrameLog().empty());

    // Enter on the focused Update button sends the duty with the update.
    QSignalSpy newData(w_.get(), &VyxWidget::NewData);
    QTest::keyClick(Shown(*w_, Field::CmdUpdate), Qt::Key_Return);
    QVERIFY(newData.wait(kUpdateWaitMs));
    const auto out = sim_->ReadOutputs(0);
    QVERIFY(out.has_value());
    QVERIFY(out->pwm != 0);
    // The duty read back from the board is the one typed.
    QCOMPARE(w_->PWMduty().toDouble(), 55.0);
  }

  void checkBoxZeroAndClearAgainstTheBoard() {
    pickComm1();
    QVERIFY(update());
    QTest::mouseClick(Shown(*w_, Field::ChkDON), Qt::LeftButton);
    QVERIFY(update());
    QVERIFY(sim_->ReadOutputs(0)->don);
    QVERIFY(Shown<QCheckBox>(*w_, Field::ChkDON)->isChecked());

    QTest::mouseClick(Shown(*w_, Field::CmdZero), Qt::LeftButton);
    QVERIFY(!Shown<QCheckBox>(*w_, Field::ChkDON)->isChecked());
    QVERIFY(sim_->ReadOutputs(0)->don);  // Zero only marks; the update sends
    QVERIFY(update());
    QVERIFY(!sim_->ReadOutputs(0)->don);

    QTest::mouseClick(Shown(*w_, Field::CmdClear), Qt::LeftButton);
    QCOMPARE(Shown<QLineEdit>(*w_, Field::TxtAD0)->text(), QString());
    QCOMPARE(Shown<QLineEdit>(*w_, Field::BufTime)->text(), QString());
    QCOMPARE(Shown<QLabel>(*w_, Field::LblFW)->text(), QStringLiteral("NA"));
    QCOMPARE(Shown<QLabel>(*w_, Field::LblStatus)->text(), QStringLiteral("Ready"));
    QCOMPARE(w_->CommStatus(), QStringLiteral("Connect"));
  }

  // A device that does not open says what to do about it.
  void aPortThatDoesNotOpenSaysWhy_data() {
    QTest::addColumn<bool>("heldByAnother");
    QTest::addColumn<QString>("said");
    QTest::newRow("held by another host") << true << QStringLiteral("in use by another program");
    QTest::newRow("no permission")
        << false
        << QStringLiteral(
               "permission denied: add yourself to the dialout group (sudo usermod "
               "-aG dialout $USER) and log in again");
  }
  void aPortThatDoesNotOpenSaysWhy() {
    QFETCH(bool, heldByAnother);
    QFETCH(QString, said);
    const std::string device = sim_->DevicePath();
    VyxWidget other;
    if (heldByAnother) {
      QVERIFY(other.portMap().Set(1, device).ok());
      other.setCommPort(QStringLiteral("1"));
      QCOMPARE(other.CommStatus(), QStringLiteral("Connect"));
    } else {
      if (geteuid() == 0) QSKIP("root opens any device; run as another user to see this");
      QCOMPARE(::chmod(device.c_str(), 0), 0);
    }
    pickComm1();
    if (!heldByAnother) ::chmod(device.c_str(), S_IRUSR | S_IWUSR);
    QVERIFY(w_->CommStatus() != QStringLiteral("Connect"));
    QCOMPARE(w_->portError(), QString::fromStdString(device) + QStringLiteral(": ") + said);
  }
};

QTEST_MAIN(BoardTest)
#include "board_test.moc"

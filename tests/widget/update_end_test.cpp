// The widget's updateEnded signal against the simulated board on a real pseudo-terminal, and
// the typed readings.
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <memory>

#include "control/vyx.h"
#include "platform/port_map.h"
#include "vyx/sim/simulator.h"
#include "vyx_widget.h"

class UpdateEndTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // Each press of Update ends once: after NewData when the board answers, with the reason when
  // it is silent or no port is open.
  void eachUpdateEndsOnceWithItsReason() {
    vyx::sim::Options options;
    options.board.analog[2] = vyx::sim::Waveform::Constant(1.25);
    vyx::sim::Simulator sim(options);
    const std::string device = sim.Start();
    QVERIFY2(!device.empty(), sim.LastError().c_str());
    VyxWidget w;
    QVERIFY(w.portMap().Set(1, device).ok());
    QStringList heard;
    connect(&w, &VyxWidget::NewData, this, [&] { heard << QStringLiteral("NewData"); });
    connect(&w, &VyxWidget::updateEnded, this, [&](bool ok, const QString& reason) {
      heard << (ok ? QStringLiteral("ok") : QStringLiteral("failed: ") + reason);
    });
    const struct {
      const char* port;
      bool mute;
      QStringList heard;
    } updates[] = {
        {"1", false, {"NewData", "ok"}},
        {"1", true, {"failed: no reply"}},
        {"1", false, {"NewData", "ok"}},
        {"2", false, {"failed: port not open: Comm2 is not mapped"}},
    };
    // One spy for all: an end that came twice shows in the count of the next update.
    QSignalSpy ended(&w, &VyxWidget::updateEnded);
    for (qsizetype n = 1; const auto& u : updates) {
      if (w.CommPort() != QLatin1String(u.port)) w.setCommPort(QString::fromLatin1(u.port));
      sim.SetFaults({.silence = u.mute ? 1.0 : 0.0});
      heard.clear();
      w.setUpdateCmd(true);
      QVERIFY(ended.size() == n || ended.wait(5000));
      QCOMPARE(ended.size(), n++);
      QCOMPARE(heard.size(), u.heard.size());
      for (qsizetype i = 0; i < heard.size(); ++i)
        QVERIFY2(heard[i].startsWith(u.heard[i]), qPrintable(heard.join(" | ")));
      // Numbers from the reply itself, and none once the board has stopped answering.
      if (u.port[0] != '1') continue;
      const std::optional<vyx::Readings> r = w.lastReadings();
      QCOMPARE(r.has_value(), !u.mute);
      if (r)
        QVERIFY2(std::abs(r->volts[2] - 1.25) < 0.01, qPrintable(QString::number(r->volts[2])));
    }
  }
};

QTEST_MAIN(UpdateEndTest)
#include "update_end_test.moc"

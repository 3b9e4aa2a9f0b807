// The desktop host's window: one component beside its live chart, kept as a document, with
// automatic updates, a CSV log and the port mapping. Wiring and UI only; the parts with
// rules of their own live in their own classes.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QSettings>
#include <functional>

#include "csv_logger.h"
#include "port_settings.h"
#include "ports_dialog.h"
#include "update_driver.h"

class QAction;
class QLabel;
class QMenu;
class QSpinBox;
class QSplitter;
class QVBoxLayout;
#include "vyx_widget.h"

namespace vyx::panel {

class StripChart;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  enum class Decision { Save, Discard, Cancel };
  // Asks what to do with unsaved changes to the named document.
  using SavePrompt = std::function<Decision(const QString& documentName)>;
  // Shows an error that needs the user's attention.
  using ErrorSink = std::function<void(const QString& title, const QString& message)>;

  // The settings keep the port mapping, the recent documents and the update interval; they
  // must outlive the window.
  explicit MainWindow(QSettings& settings, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Comm1 leads to this device whatever the settings say: the in-process simulated board.
  // New documents then start on Comm1.
  void setSimulatedDevice(const QString& device);
  // Positions the command line mapped (--port): they lead there for this run, over the
  // settings, and are not saved. Empty entries leave their position alone.
  void setCommandLinePorts(const PortMapping& ports);

  // The document operations. Each returns false when it did not happen (cancelled, or an
  // error that has been shown); a failed open or save changes nothing.
  bool newDocument();
  bool openDocument(const QString& path);
  bool saveDocument();
  bool saveDocumentAs(const QString& path);
  // Asks about unsaved changes; true when the document may be let go.
  bool maybeSave();
  QString documentPath() const { return path_; }
  QString documentName() const;

  // Stores the mapping in the settings and applies it to the component.
  void setPortMapping(const PortMapping& mapping);

  bool startLog(const QString& path);
  void stopLog();
  // Shows a CSV log of readings (this host's or the console's) in the chart; a log that
  // cannot be read is refused with a message and changes nothing.
  bool openLog(const QString& path);

  VyxWidget* component() const { return vyx_; }
  UpdateDriver& updates() { return driver_; }
  StripChart* chart() const { return chart_; }
  const CsvLogger& log() const { return log_; }
  QString statusText() const;

  void setSavePrompt(SavePrompt prompt) { prompt_ = std::move(prompt); }
  void setErrorSink(ErrorSink sink) { errors_ = std::move(sink); }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildActions();
  void buildMenus();
  void buildToolBar();
  void buildStatusBar();
  // A fresh component in place of the current one; the old one closes its port first.
  void installComponent();
  void applyPorts();
  void setDocument(const QString& path);
  void markEdited();
  void updateTitle();
  void refreshStatus();
  void showError(const QString& title, const QString& message);

  void onUpdateEnded(bool ok, const QString& reason);
  void logRow(bool ok, const QString& reason);

  void openClicked();
  void openLogClicked();
  bool saveAsClicked();
  void portsClicked();
  void logClicked(bool on);
  void fillRecentMenu();

  QSettings& settings_;
  QString simulatedDevice_;
  SessionPorts session_;  // the simulated board and --port, over the settings
  QString path_;
  QPointer<VyxWidget> vyx_;
  QSplitter* splitter_ = nullptr;
  QWidget* holder_ = nullptr;
  QVBoxLayout* holderLayout_ = nullptr;
  StripChart* chart_ = nullptr;
  UpdateDriver driver_;
  CsvLogger log_;
  long logged_ = 0;

  QAction* newAction_ = nullptr;
  QAction* openAction_ = nullptr;
  QAction* openLogAction_ = nullptr;
  QAction* saveAction_ = nullptr;
  QAction* saveAsAction_ = nullptr;
  QAction* quitAction_ = nullptr;
  QAction* runAction_ = nullptr;
  QAction* updateOnceAction_ = nullptr;
  QAction* logAction_ = nullptr;
  QAction* portsAction_ = nullptr;
  QAction* aboutAction_ = nullptr;
  QMenu* recentMenu_ = nullptr;
  QSpinBox* interval_ = nullptr;
  QLabel* runLabel_ = nullptr;
  QLabel* rateLabel_ = nullptr;
  QLabel* failedLabel_ = nullptr;
  QLabel* errorLabel_ = nullptr;
  QLabel* logLabel_ = nullptr;

  SavePrompt prompt_;
  ErrorSink errors_;
};

}  // namespace vyx::panel

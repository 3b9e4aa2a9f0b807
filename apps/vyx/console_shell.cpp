#include "console_shell.h"

#include <cmath>
#include <cstdio>

#include "console_args.h"
#include "console_escape.h"
#include "console_session.h"
#include "control/properties.h"
#include "control/value_conversion.h"
#include "control/vyx.h"
#include "json_document_bag.h"
#include "platform/port_map.h"

namespace vyx::console {
namespace {

std::string Quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

int Milliseconds(double seconds) { return static_cast<int>(std::lround(seconds * 1000.0)); }

}  // namespace

Shell::Shell(Session& session, Writer write, QObject* parent)
    : QObject(parent), session_(session), write_(std::move(write)) {
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
}

void Shell::Feed(std::string line) {
  queue_.emplace_back(std::move(line));
  Pump();
}

void Shell::FeedOverlong() {
  queue_.emplace_back(std::nullopt);
  Pump();
}

void Shell::EndOfInput() {
  ended_ = true;
  Pump();
}

void Shell::Pump() {
  while (!busy_ && !done_ && !queue_.empty()) {
    const std::optional<std::string> line = std::move(queue_.front());
    queue_.pop_front();
    if (!line) {
      Error("line too long");
      continue;
    }
    const ParsedLine parsed = ParseShellLine(*line);
    if (const auto* e = std::get_if<LineError>(&parsed)) {
      e->property.empty() ? Error(e->message) : RefuseValue(e->property, e->given, e->message);
    } else if (const auto* c = std::get_if<ShellCommand>(&parsed)) {
      Execute(*c);
    }
  }
  if (!busy_ && !done_ && ended_ && queue_.empty()) {
    done_ = true;
    emit finished(0);
  }
}

void Shell::Answer(std::string_view line) {
  if (done_ || write_(line)) return;
  // Nobody takes the answers any more: no further command runs unseen.
  done_ = true;
  queue_.clear();
  emit finished(kExitFailure);
}

// Messages echo what the user typed or a document held: escaped, so the answer stays one line
// and the terminal is never handed a control sequence.
void Shell::Error(std::string_view message) {
  Answer("error: " + documents::EscapeControls(message));
}

// A value `set` cannot take says what the property takes, whatever was wrong with it.
void Shell::RefuseValue(const std::string& name, std::string_view given, std::string_view why) {
  const PropertySpec* p = PropertyByName(name);
  if (!p) return Error("unknown property " + Quoted(name));
  std::string message = documents::ValueError(p->name, p->type, given);
  if (!why.empty()) message += ": " + std::string(why);
  Error(message);
}

void Shell::SetBusy(bool busy) {
  if (busy_ == busy) return;
  busy_ = busy;
  emit busyChanged(busy);
}

void Shell::Execute(const ShellCommand& cmd) {
  Vyx& vyx = session_.Component();
  const FieldStore& fields = vyx.Fields();

  switch (cmd.verb) {
    case Verb::Port: {
      const Status s = session_.Ports().Set(cmd.number, cmd.text);
      return s ? Answer("ok") : Error(s.message());
    }

    case Verb::Set: {
      // The value converts as a widget property or a document's would; what the field then
      // refuses (a check box set to 2) is the component's to say.
      const PropertySpec* p = PropertyByName(cmd.name);
      const auto bag = documents::ToBagValue(cmd.value);
      PropValue value;
      if (!p || !bag || !ConvertValue(*bag, p->type, value))
        return RefuseValue(cmd.name, cmd.given, {});
      const Status s = vyx.Set(p->name, value);
      return s ? Answer("ok") : Error(s.message());
    }

    case Verb::Get: {
      const PropertySpec* p = PropertyByName(cmd.name);
      if (!p) return Error("unknown property " + Quoted(cmd.name));
      PropValue v;
      const Status s = vyx.Get(p->name, v);
      return s ? Answer(documents::JsonOf(v)) : Error(s.message());
    }

    case Verb::Dump: {
      // Read everything first, so that a failure answers one error line and nothing else.
      std::vector<std::string> lines;
      for (const PropertySpec& p : kProperties) {
        PropValue v;
        if (const Status s = vyx.Get(p.name, v); !s) return Error(s.message());
        lines.push_back(std::string(p.name) + " " + documents::JsonOf(v));
      }
      for (const std::string& l : lines) Answer(l);
      return Answer("end");
    }

    case Verb::Field:
    case Verb::Style: {
      const auto f = FieldByName(cmd.name);
      if (!f) return Error("unknown field " + Quoted(cmd.name));
      const FieldKind kind = SpecOf(*f).kind;
      if (cmd.verb == Verb::Style) {
        if (kind != FieldKind::Label) return Error(cmd.name + " is not a label");
        return Answer("{\"color\":" + std::to_string(fields.Color(*f)) +
                      ",\"emphasis\":" + (fields.Emphasis(*f) ? "true" : "false") + "}");
      }
      switch (kind) {
        case FieldKind::Text:
          return Answer(documents::JsonOf(fields.Text(*f)));
        case FieldKind::Label:
        case FieldKind::Frame:
          return Answer(documents::JsonOf(fields.Caption(*f)));
        case FieldKind::Check:
          return Answer(documents::JsonOf(fields.State(*f)));
        case FieldKind::Command:
          return Answer(documents::JsonOf(fields.Value(*f)));
        case FieldKind::List:
          return Answer(documents::JsonOf(fields.Selected(*f)));
        case FieldKind::Serial:
        case FieldKind::Timer:
          break;
      }
      return Error(cmd.name + " has no value to show");
    }

    case Verb::Focus: {
      std::optional<Field> f;
      if (!cmd.name.empty()) {
        f = FieldByName(cmd.name);
        if (!f) return Error("unknown field " + Quoted(cmd.name));
      }
      const Status s = vyx.Focus(f);
      return s ? Answer("ok") : Error(s.message());
    }

    case Verb::Type: {
      const Status s = vyx.Type(cmd.text);
      return s ? Answer("ok") : Error(s.message());
    }

    case Verb::Key: {
      const Status s = vyx.KeyDown(cmd.number);
      return s ? Answer("ok") : Error(s.message());
    }

    case Verb::Click: {
      const auto f = FieldByName(cmd.name);
      if (!f) return Error("unknown field " + Quoted(cmd.name));
      const Status s = vyx.Click(*f, cmd.index.value_or(-1));
      return s ? Answer("ok") : Error(s.message());
    }

    case Verb::Wait:
      return BeginWait(cmd.seconds);

    case Verb::Sleep:
      return BeginSleep(cmd.seconds);

    case Verb::Events:
      for (const std::string& e : session_.TakeEvents()) Answer(e);
      return Answer("end");

    case Verb::Help:
      for (const std::string& line : ShellHelp()) Answer(line);
      return Answer("end");

    case Verb::Save: {
      documents::JsonDocumentBag bag;
      if (const Status s = vyx.Save(bag); !s) return Error("save: " + s.message());
      const Status s = bag.SaveTo(QString::fromStdString(cmd.text));
      return s ? Answer("ok") : Error(s.message());
    }

    case Verb::Restore: {
      documents::JsonDocumentBag bag;
      if (const Status s = bag.Load(QString::fromStdString(cmd.text)); !s)
        return Error(s.message());
      const Status s = vyx.Restore(bag);
      if (s) return Answer("ok");
      // Say the key once, whether or not the message already names it.
      const std::string prefix = "key " + Quoted(bag.LastReadKey()) + ": ";
      std::string why = s.message();
      if (why.starts_with(prefix)) why.erase(0, prefix.size());
      return Error("restore stopped at " + prefix + why);
    }

    case Verb::Quit:
      done_ = true;
      queue_.clear();
      emit finished(0);
      return;
  }
}

void Shell::BeginWait(double seconds) {
  if (!session_.Component().UpdateInProgress()) return Answer("ok");
  SetBusy(true);
  // The end comes from within the component's call; the commands after `wait` run once it
  // has returned.
  const unsigned wait = ++waits_;
  endConnection_ = connect(&session_, &Session::updateEnded, this, [this, wait] {
    disconnect(endConnection_);
    QMetaObject::invokeMethod(
        this,
        [this, wait] {
          if (wait == waits_) Resume("ok");
        },
        Qt::QueuedConnection);
  });
  disconnect(&timer_, nullptr, this, nullptr);
  connect(&timer_, &QTimer::timeout, this, [this] { Resume("timeout"); });
  timer_.start(Milliseconds(seconds));
}

void Shell::BeginSleep(double seconds) {
  SetBusy(true);
  disconnect(&timer_, nullptr, this, nullptr);
  connect(&timer_, &QTimer::timeout, this, [this] { Resume("ok"); });
  timer_.start(Milliseconds(seconds));
}

void Shell::Resume(std::string_view answer) {
  ++waits_;  // a resume still queued for this wait is void now
  timer_.stop();
  disconnect(endConnection_);
  Answer(answer);
  SetBusy(false);
  Pump();
}

}  // namespace vyx::console

// The far end of a line, played by the test: the master of a pseudo-terminal pair, or a
// QTcpServer's side of a raw TCP connection. The same checks run over both.
#pragma once

#include <QTcpServer>
#include <QTcpSocket>
#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "pty_pair.h"

namespace vyx::test {

class Peer {
 public:
  virtual ~Peer();
  // What a port position maps to, to reach this peer.
  virtual std::string Device() const = 0;
  // Called once the port has opened (a server takes the connection here).
  virtual void Connected() {}
  virtual void Send(std::string_view bytes) = 0;
  // Sends from a helper thread after the delay, for a port that is blocked in a wait.
  void SendLater(std::string bytes, std::chrono::milliseconds delay);
  virtual std::string Receive(std::size_t n, std::chrono::milliseconds limit) = 0;
  // The device goes away: the master closes, or the server drops the connection.
  virtual void Drop() = 0;

 protected:
  virtual int Descriptor() const = 0;
  void JoinSender();

 private:
  std::thread sender_;
};

class PtyPeer final : public Peer {
 public:
  std::string Device() const override { return pty_.SlavePath(); }
  void Send(std::string_view bytes) override { WriteAll(pty_.Master(), bytes); }
  std::string Receive(std::size_t n, std::chrono::milliseconds limit) override {
    return ReadSome(pty_.Master(), n, limit);
  }
  void Drop() override;
  PtyPair& Pair() { return pty_; }

 protected:
  int Descriptor() const override { return pty_.Master(); }

 private:
  PtyPair pty_;
};

class TcpPeer final : public Peer {
 public:
  TcpPeer();
  ~TcpPeer() override;
  std::string Device() const override;
  void Connected() override;
  void Send(std::string_view bytes) override;
  std::string Receive(std::size_t n, std::chrono::milliseconds limit) override;
  void Drop() override;

 protected:
  int Descriptor() const override;

 private:
  QTcpServer server_;
  QTcpSocket* client_ = nullptr;  // owned by the server
};

std::unique_ptr<Peer> MakePeer(std::string_view kind);

}  // namespace vyx::test

#include "peer.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QHostAddress>

namespace vyx::test {

Peer::~Peer() { JoinSender(); }

void Peer::JoinSender() {
  if (sender_.joinable()) sender_.join();
}

void Peer::SendLater(std::string bytes, std::chrono::milliseconds delay) {
  JoinSender();
  const int fd = Descriptor();
  sender_ = std::thread([fd, bytes = std::move(bytes), delay] {
    std::this_thread::sleep_for(delay);
    WriteAll(fd, bytes);
  });
}

void PtyPeer::Drop() {
  JoinSender();
  pty_.CloseMaster();
}

TcpPeer::TcpPeer() {
  EXPECT_TRUE(server_.listen(QHostAddress::LocalHost, 0)) << server_.errorString().toStdString();
}

TcpPeer::~TcpPeer() { JoinSender(); }

std::string TcpPeer::Device() const {
  return "tcp://127.0.0.1:" + std::to_string(server_.serverPort());
}

void TcpPeer::Connected() {
  ASSERT_TRUE(server_.waitForNewConnection(2000)) << "the port never connected";
  client_ = server_.nextPendingConnection();
  ASSERT_NE(client_, nullptr);
}

int TcpPeer::Descriptor() const {
  return client_ != nullptr ? static_cast<int>(client_->socketDescriptor()) : -1;
}

void TcpPeer::Send(std::string_view bytes) {
  ASSERT_NE(client_, nullptr);
  // Straight into the kernel, as the pseudo-terminal's master does, so the test's event
  // loop turns deliver only to the port under test.
  WriteAll(Descriptor(), bytes);
}

std::string TcpPeer::Receive(std::size_t n, std::chrono::milliseconds limit) {
  if (client_ == nullptr) return {};
  return ReadSome(Descriptor(), n, limit);
}

void TcpPeer::Drop() {
  JoinSender();
  if (client_ != nullptr) client_->abort();
  client_ = nullptr;
  server_.close();
}

std::unique_ptr<Peer> MakePeer(std::string_view kind) {
  if (kind == "tcp") return std::make_unique<TcpPeer>();
  return std::make_unique<PtyPeer>();
}

}  // namespace vyx::test

// A listener on 127.0.0.2:3306 that stands in front of the local database server and plays
// one server fault: silence, or a dropped or stalled connection at a chosen point.
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace testserver
{

// Client commands, by the first byte of their packet.
constexpr unsigned char kPrepare = 0x16;
constexpr unsigned char kExecute = 0x17;

class FaultProxy
{
public:
  enum class Fault
  {
    PassThrough,        // passes everything on both ways
    Silent,             // accepts the connection and never sends a byte
    CloseAfterGreeting, // passes the server's greeting on, then closes
    StallAfterGreeting, // passes the server's greeting on, then goes quiet
    CloseAtCommand,     // passes everything on until the command arrives, then closes
    StallAtCommand      // passes everything on until the command arrives, then goes quiet
  };

  // `command` is the command byte the last two faults wait for. Every connection made to the
  // proxy gets the same fault.
  explicit FaultProxy(Fault fault, unsigned char command = 0);
  ~FaultProxy();
  FaultProxy(const FaultProxy&) = delete;
  FaultProxy& operator=(const FaultProxy&) = delete;

  // False, with the reason in `why`, when the address could not be taken.
  bool Listening(std::string& why) const;
  // Connections accepted so far.
  int Connections() const { return connections_; }

private:
  void Run();
  void Serve(int client);
  // Relays until the fault strikes or a side closes; false when the sockets are to be kept
  // open (a stall) rather than closed.
  bool Relay(int client, int server);

  Fault fault_;
  unsigned char command_;
  int listener_ = -1;
  int wake_[2] = { -1, -1 };
  std::string why_;
  std::atomic<int> connections_{ 0 };
  std::vector<int> parked_; // sockets kept open and silent until the proxy goes
  std::thread thread_;
};

} // namespace testserver

#include "FaultProxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace testserver
{

namespace
{

sockaddr_in Address(const char* host, unsigned short port)
{
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  ::inet_pton(AF_INET, host, &address.sin_addr);
  return address;
}

bool SendAll(int socket, const unsigned char* data, size_t size)
{
  while (size > 0)
  {
    const ssize_t sent = ::send(socket, data, size, MSG_NOSIGNAL);
    if (sent <= 0)
    {
      return false;
    }
    data += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

// Length of the first whole packet (4-byte header: 3-byte payload length, sequence number)
// at the start of `buffer`, or 0 while it is incomplete.
size_t WholePacket(const std::vector<unsigned char>& buffer)
{
  if (buffer.size() < 4)
  {
    return 0;
  }
  const size_t payload = buffer[0] | (buffer[1] << 8) | (buffer[2] << 16);
  return buffer.size() >= 4 + payload ? 4 + payload : 0;
}

} // namespace

FaultProxy::FaultProxy(Fault fault, unsigned char command)
  : fault_(fault)
  , command_(command)
{
  if (::pipe(wake_) != 0)
  {
    why_ = std::string("pipe: ") + std::strerror(errno);
    return;
  }
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int yes = 1;
  ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  const sockaddr_in address = Address("127.0.0.2", 3306);
  if (::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
      || ::listen(listener_, 8) != 0)
  {
    why_ = std::string("cannot listen on 127.0.0.2:3306: ") + std::strerror(errno);
    ::close(listener_);
    listener_ = -1;
    return;
  }
  thread_ = std::thread(&FaultProxy::Run, this);
}

FaultProxy::~FaultProxy()
{
  if (thread_.joinable())
  {
    const char stop = 's';
    [[maybe_unused]] const ssize_t written = ::write(wake_[1], &stop, 1);
    thread_.join();
  }
  for (int socket : parked_)
  {
    ::close(socket);
  }
  for (int descriptor : { listener_, wake_[0], wake_[1] })
  {
    if (descriptor >= 0)
    {
      ::close(descriptor);
    }
  }
}

bool FaultProxy::Listening(std::string& why) const
{
  why = why_;
  return listener_ >= 0;
}

void FaultProxy::Run()
{
  for (;;)
  {
    pollfd watched[2] = { { listener_, POLLIN, 0 }, { wake_[0], POLLIN, 0 } };
    if (::poll(watched, 2, -1) < 0 && errno != EINTR)
    {
      return;
    }
    if (watched[1].revents)
    {
      return;
    }
    if (watched[0].revents & POLLIN)
    {
      const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client >= 0)
      {
        ++connections_;
        Serve(client);
      }
    }
  }
}

void FaultProxy::Serve(int client)
{
  if (fault_ == Fault::Silent)
  {
    parked_.push_back(client);
    return;
  }
  const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in address = Address("127.0.0.1", 3306);
  if (::connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
  {
    ::close(server);
    ::close(client);
    return;
  }
  if (Relay(client, server))
  {
    ::close(server);
    ::close(client);
  }
  else
  {
    parked_.push_back(server);
    parked_.push_back(client);
  }
}

bool FaultProxy::Relay(int client, int server)
{
  std::vector<unsigned char> fromClient;
  std::vector<unsigned char> fromServer;
  unsigned char chunk[65536];
  for (;;)
  {
    pollfd watched[3] = { { client, POLLIN, 0 }, { server, POLLIN, 0 }, { wake_[0], POLLIN, 0 } };
    if (::poll(watched, 3, -1) < 0)
    {
      if (errno == EINTR)
      {
        continue;
      }
      return true;
    }
    if (watched[2].revents)
    {
      return true;
    }
    if (watched[1].revents)
    {
      const ssize_t got = ::recv(server, chunk, sizeof chunk, 0);
      if (got <= 0)
      {
        return true;
      }
      const bool awaitsGreeting =
        fault_ == Fault::CloseAfterGreeting || fault_ == Fault::StallAfterGreeting;
      if (!awaitsGreeting)
      {
        if (!SendAll(client, chunk, static_cast<size_t>(got)))
        {
          return true;
        }
      }
      else
      {
        fromServer.insert(fromServer.end(), chunk, chunk + got);
        if (const size_t greeting = WholePacket(fromServer))
        {
          SendAll(client, fromServer.data(), greeting);
          return fault_ == Fault::CloseAfterGreeting;
        }
      }
    }
    if (watched[0].revents)
    {
      const ssize_t got = ::recv(client, chunk, sizeof chunk, 0);
      if (got <= 0)
      {
        return true;
      }
      // Passed on a whole packet at a time, so that the awaited command never reaches the
      // server.
      fromClient.insert(fromClient.end(), chunk, chunk + got);
      while (const size_t packet = WholePacket(fromClient))
      {
        const bool awaited = (fault_ == Fault::CloseAtCommand || fault_ == Fault::StallAtCommand)
          && fromClient[3] == 0 && packet > 4 && fromClient[4] == command_;
        if (awaited)
        {
          return fault_ == Fault::CloseAtCommand;
        }
        if (!SendAll(server, fromClient.data(), packet))
        {
          return true;
        }
        fromClient.erase(fromClient.begin(), fromClient.begin() + static_cast<long>(packet));
      }
    }
  }
}

} // namespace testserver

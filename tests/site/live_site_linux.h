#pragma once

#include <sys/types.h>

#include <atomic>
#include <string>
#include <thread>

namespace mulan::site::testing {

// mulan-site (the native program built beside the tests) on free loopback ports, serving a catalogue
// or music folder, for as long as the object lives.
class LiveSite {
  public:
    explicit LiveSite(const std::string& catalogue);
    ~LiveSite();
    LiveSite(const LiveSite&) = delete;
    LiveSite& operator=(const LiveSite&) = delete;

    // The request log once it holds line, or as it is after a few seconds. The site writes a request's
    // line once the answer has gone out, so a client that has its answer may not find the line yet.
    std::string LogWith(const std::string& line) const;

    std::string site, search, media;  // host:port
    std::string log;                  // the site's request log

  private:
    pid_t pid_ = -1;
    std::string dir_;
};

// A listening loopback socket that accepts connections and never answers.
class SilentServer {
  public:
    SilentServer();
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    int port = 0;

  private:
    int socket_ = -1;
};

// A loopback server of redirects, one connection at a time: "/r/N" sends to "/r/N-1", "/r/0" answers
// "arrived", "/https" sends to an https address. Every request line is kept.
class RedirectServer {
  public:
    RedirectServer();
    ~RedirectServer();
    RedirectServer(const RedirectServer&) = delete;
    RedirectServer& operator=(const RedirectServer&) = delete;
    std::string Address(const std::string& target) const;
    int Requests() const { return requests_.load(); }

  private:
    void Answer(int client);
    int socket_ = -1;
    std::atomic<int> requests_{0};
    std::thread thread_;
};

// A loopback port nothing listens on.
int ClosedPort();

std::string ReadFile(const std::string& path);

}  // namespace mulan::site::testing

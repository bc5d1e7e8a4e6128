#include "site/live_site_linux.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace mulan::site::testing {

namespace {

int BoundLoopbackSocket() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error("cannot bind a loopback socket");
    }
    return fd;
}

int PortOf(int fd) {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    return ntohs(address.sin_port);
}

// "key=value" out of the site's ready line.
std::string Field(const std::string& line, const std::string& key) {
    const size_t at = line.find(key + "=");
    if (at == std::string::npos) throw std::runtime_error("no " + key + " in " + line);
    const size_t start = at + key.size() + 1;
    return line.substr(start, line.find(' ', start) - start);
}

}  // namespace

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

LiveSite::LiveSite(const std::string& catalogue) {
    char pattern[] = "/tmp/mulan-live-site.XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("no temporary folder");
    dir_ = pattern;
    log = dir_ + "/site.log";
    const std::string ready = dir_ + "/ready";
    pid_ = fork();
    if (pid_ == 0) {
        const std::string out = dir_ + "/site.out";
        freopen(out.c_str(), "w", stdout);
        freopen(out.c_str(), "a", stderr);
        execl(MULAN_SITE_PROGRAM, MULAN_SITE_PROGRAM, "--catalogue", catalogue.c_str(), "--site-port", "0",
              "--search-port", "0", "--media-port", "0", "--log", log.c_str(), "--ready-file", ready.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    // The site writes its ready file whole, by rename, once a music folder's scan is done; a start
    // takes well under a second.
    for (int i = 0; i < 200; ++i) {
        const std::string line = ReadFile(ready);
        if (!line.empty()) {
            site = Field(line, "site");
            search = Field(line, "search");
            media = Field(line, "media");
            return;
        }
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    throw std::runtime_error("mulan-site did not start: " + ReadFile(dir_ + "/site.out"));
}

std::string LiveSite::LogWith(const std::string& line) const {
    std::string text = ReadFile(log);
    for (int i = 0; i < 100 && text.find(line) == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        text = ReadFile(log);
    }
    return text;
}

LiveSite::~LiveSite() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

SilentServer::SilentServer() : socket_(BoundLoopbackSocket()) {
    listen(socket_, 8);
    port = PortOf(socket_);
}

SilentServer::~SilentServer() {
    close(socket_);
}

RedirectServer::RedirectServer() : socket_(BoundLoopbackSocket()) {
    listen(socket_, 8);
    thread_ = std::thread([this] {
        for (int client; (client = accept(socket_, nullptr, nullptr)) >= 0;) {
            Answer(client);
            close(client);
        }
    });
}

RedirectServer::~RedirectServer() {
    shutdown(socket_, SHUT_RDWR);
    close(socket_);
    thread_.join();
}

std::string RedirectServer::Address(const std::string& target) const {
    return "http://127.0.0.1:" + std::to_string(PortOf(socket_)) + target;
}

void RedirectServer::Answer(int client) {
    std::string head;
    char buffer[1024];
    while (head.find("\r\n\r\n") == std::string::npos) {
        const ssize_t got = recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) return;
        head.append(buffer, static_cast<size_t>(got));
    }
    ++requests_;
    const std::string target = head.substr(4, head.find(' ', 4) - 4);
    std::string response;
    if (target == "/r/0") {
        response = "HTTP/1.1 200 OK\r\nContent-Length: 7\r\nConnection: close\r\n\r\narrived";
    } else {
        const std::string to = target.starts_with("/r/")
                                   ? Address("/r/" + std::to_string(std::stoi(target.substr(3)) - 1))
                                   : "https://127.0.0.1:" + std::to_string(PortOf(socket_)) + "/r/0";
        response =
            "HTTP/1.1 302 Found\r\nLocation: " + to + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    }
    send(client, response.data(), response.size(), MSG_NOSIGNAL);
}

int ClosedPort() {
    const int fd = BoundLoopbackSocket();
    const int port = PortOf(fd);
    close(fd);
    return port;
}

}  // namespace mulan::site::testing

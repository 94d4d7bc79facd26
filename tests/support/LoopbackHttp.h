#pragma once
// A tiny HTTP/1.1 server on 127.0.0.1 (port chosen by the system) for tests
// that drive a real HTTP client: each path answers with a status, a body,
// optionally a redirect, a Content-Length that lies (a truncated transfer)
// or a slow trickle. One connection at a time, "Connection: close".
// Header only.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace korvane::test {

class LoopbackHttp {
public:
    struct Route {
        int status = 200;
        std::string body;
        std::string location;        // sent as Location (for 3xx)
        long long declaredLength = -1;  // Content-Length to claim; -1: the body's size
        size_t chunk = 65536;        // bytes per write
        int chunkDelayMs = 0;        // pause after each chunk
    };
    static Route Body(int status, std::string body) {
        Route r;
        r.status = status;
        r.body = std::move(body);
        return r;
    }
    static Route Redirect(std::string location) {
        Route r;
        r.status = 302;
        r.location = std::move(location);
        return r;
    }
    // Claims claimedLength bytes and closes after the body.
    static Route Truncated(std::string body, long long claimedLength) {
        Route r = Body(200, std::move(body));
        r.declaredLength = claimedLength;
        return r;
    }
    static Route Slow(std::string body, size_t chunk, int delayMs) {
        Route r = Body(200, std::move(body));
        r.chunk = chunk;
        r.chunkDelayMs = delayMs;
        return r;
    }

    LoopbackHttp() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int one = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = 0;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(fd_, 8) == 0) {
            socklen_t len = sizeof a;
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
            port_ = ntohs(a.sin_port);
        }
        thread_ = std::thread([this] { Serve(); });
    }
    ~LoopbackHttp() {
        stop_ = true;
        thread_.join();
        ::close(fd_);
    }
    LoopbackHttp(const LoopbackHttp&) = delete;
    LoopbackHttp& operator=(const LoopbackHttp&) = delete;

    void Set(const std::string& path, const Route& r) {
        std::lock_guard<std::mutex> lock(mutex_);
        routes_[path] = r;
    }
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
    int port() const { return port_; }
    int Requests(const std::string& path) {
        std::lock_guard<std::mutex> lock(mutex_);
        return hits_[path];
    }

private:
    void Serve() {
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0) continue;
            Handle(c);
            ::close(c);
        }
    }
    bool Send(int c, const char* data, size_t n) {
        while (n > 0) {
            ssize_t w = ::send(c, data, n, MSG_NOSIGNAL);
            if (w <= 0) return false;
            data += w;
            n -= size_t(w);
        }
        return true;
    }
    void Handle(int c) {
        std::string req;
        char buf[4096];
        while (req.find("\r\n\r\n") == std::string::npos && req.size() < 65536) {
            pollfd p{c, POLLIN, 0};
            if (::poll(&p, 1, 2000) <= 0) return;
            ssize_t n = ::recv(c, buf, sizeof buf, 0);
            if (n <= 0) return;
            req.append(buf, size_t(n));
        }
        std::string path;
        size_t sp = req.find(' ');
        if (sp != std::string::npos) path = req.substr(sp + 1, req.find(' ', sp + 1) - sp - 1);
        Route r;
        bool found = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++hits_[path];
            auto it = routes_.find(path);
            if (it != routes_.end()) {
                r = it->second;
                found = true;
            }
        }
        if (!found) {
            r.status = 404;
            r.body = "not found";
        }
        const long long length = r.declaredLength >= 0 ? r.declaredLength : (long long)r.body.size();
        std::string head = "HTTP/1.1 " + std::to_string(r.status) + " X\r\nContent-Length: " +
                           std::to_string(length) + "\r\nConnection: close\r\n";
        if (!r.location.empty()) head += "Location: " + r.location + "\r\n";
        head += "\r\n";
        if (!Send(c, head.data(), head.size())) return;
        size_t pos = 0;
        while (pos < r.body.size() && !stop_) {
            size_t n = std::min(r.chunk, r.body.size() - pos);
            if (!Send(c, r.body.data() + pos, n)) return;
            pos += n;
            if (r.chunkDelayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(r.chunkDelayMs));
        }
    }

    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::map<std::string, Route> routes_;
    std::map<std::string, int> hits_;
};

} // namespace korvane::test

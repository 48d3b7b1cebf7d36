#include "app/CInstanceChecker.h"

#include <sys/socket.h>

#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <thread>

#include "app/Logger.h"

namespace zvp {

// One accepted connection. Its notifier and timer are deleted later when the connection is
// closed from inside one of their own signals.
struct CInstanceChecker::Peer {
    CUniqueFd fd;
    std::unique_ptr<QSocketNotifier> notifier;
    std::unique_ptr<QTimer> timer;
    std::string request;
    bool enqueue = false;  // the line was "enqueue": the paths follow until end of file
};

CInstanceChecker::CInstanceChecker() = default;

CInstanceChecker::~CInstanceChecker() {
    peers_.clear();
    listener_notifier_.reset();
    listener_.Reset();
}

bool CInstanceChecker::FindRunningInstance(std::string_view name) {
    const uid_t uid = ::getuid();
    client_ = ConnectToInstanceSocket(InstanceSocketAddress(uid, name), uid);
    find_error_ = client_ ? 0 : errno;
    return client_.IsValid();
}

bool CInstanceChecker::RegisterAsFirstInstance(std::string_view name) {
    name_taken_ = false;
    if (IsFirstInstance()) return true;
    if (FindRunningInstance(name)) {
        name_taken_ = true;
        return false;
    }
    listener_ = ListenOnInstanceSocket(InstanceSocketAddress(::getuid(), name));
    if (!listener_) {
        name_taken_ = errno == EADDRINUSE;
        if (!name_taken_) {
            Log({"CInstanceChecker::RegisterAsFirstInstance", kLogInfo},
                "Cannot create the instance socket: %s", std::strerror(errno));
        }
        return false;
    }
    listener_notifier_ = std::make_unique<QSocketNotifier>(listener_.Get(), QSocketNotifier::Read);
    QObject::connect(listener_notifier_.get(), &QSocketNotifier::activated,
                     listener_notifier_.get(), [this] { OnConnectionPending(); });
    return true;
}

bool CInstanceChecker::ActivateRunningInstance() {
    if (enqueue_) {
        added_count_ =
            client_ ? SendEnqueueRequest(client_.Get(), enqueue_paths_, kReplyTimeout) : -1;
        other_answered_ = added_count_ >= 0;
    } else {
        other_answered_ = client_ && SendRaiseRequest(client_.Get(), kReplyTimeout);
    }
    client_.Reset();
    return other_answered_;
}

CInstanceChecker::Role CInstanceChecker::Start(std::string_view name) {
    if (FindRunningInstance(name) || (!RegisterAsFirstInstance(name) && client_)) {
        ActivateRunningInstance();
        return Role::kSecond;
    }
    if (!NameTaken()) return Role::kFirst;
    // Another start bound the name a moment ago and may not be listening yet: nothing signals
    // the end of the gap between its bind and its listen, so look again for a short while.
    for (int attempt = 0; attempt < 50 && find_error_ != EPERM; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (FindRunningInstance(name)) {
            ActivateRunningInstance();
            return Role::kSecond;
        }
    }
    Log({"CInstanceChecker::Start", kLogInfo},
        "The instance name is held, but not by a player of this user (%s); running unguarded",
        std::strerror(find_error_));
    return Role::kFirst;
}

void CInstanceChecker::OnConnectionPending() {
    for (;;) {
        CUniqueFd fd(::accept4(listener_.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!fd) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return;  // none left
            // Out of descriptors or memory: the connection stays queued and would wake the
            // notifier again at once, so stop listening for a second.
            Log({"CInstanceChecker::OnConnectionPending", kLogInfo},
                "Cannot accept a connection: %s", std::strerror(errno));
            QSocketNotifier* notifier = listener_notifier_.get();
            notifier->setEnabled(false);
            QTimer::singleShot(1000, notifier, [notifier] { notifier->setEnabled(true); });
            return;
        }
        if (PeerUid(fd.Get()) != static_cast<long>(::getuid())) {
            Log({"CInstanceChecker::OnConnectionPending", kLogInfo},
                "Refused a connection from another user");
            continue;
        }
        if (peers_.size() >= kMaxPeers) continue;

        const uint64_t id = next_peer_id_++;
        auto peer = std::make_unique<Peer>();
        peer->notifier = std::make_unique<QSocketNotifier>(fd.Get(), QSocketNotifier::Read);
        peer->fd = std::move(fd);
        QObject::connect(peer->notifier.get(), &QSocketNotifier::activated, peer->notifier.get(),
                         [this, id] { OnPeerReadable(id); });
        peer->timer = std::make_unique<QTimer>();
        peer->timer->setSingleShot(true);
        QObject::connect(peer->timer.get(), &QTimer::timeout, peer->timer.get(), [this, id] {
            Log({"CInstanceChecker::OnPeerTimeout", kLogInfo},
                "A connection sent no request in time; closed");
            ClosePeer(id);
        });
        peer->timer->start(kPeerTimeout);
        peers_.emplace(id, std::move(peer));
    }
}

void CInstanceChecker::OnPeerReadable(uint64_t id) {
    const auto it = peers_.find(id);
    if (it == peers_.end()) return;
    Peer& peer = *it->second;
    // One byte over the limit is read, so a request that is too long is told from one that
    // fills it exactly.
    const size_t limit = (peer.enqueue ? kMaxEnqueueRequest : kMaxInstanceRequest) + 1;
    char buffer[16384];
    const size_t room = std::min(sizeof buffer, limit - peer.request.size());
    const ssize_t n = ::recv(peer.fd.Get(), buffer, room, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (n == 0 && peer.enqueue) {
        FinishEnqueue(id);
        return;
    }
    if (n <= 0) {
        ClosePeer(id);  // the peer left, or the connection failed
        return;
    }
    peer.request.append(buffer, static_cast<size_t>(n));
    if (peer.enqueue) {
        if (peer.request.size() > kMaxEnqueueRequest) {
            Log({"CInstanceChecker::OnPeerReadable", kLogInfo},
                "An enqueue request longer than %zu bytes; closed", kMaxEnqueueRequest);
            ClosePeer(id);
        }
        return;
    }
    switch (ClassifyInstanceRequest(peer.request)) {
        case InstanceRequest::kIncomplete:
            return;
        case InstanceRequest::kTooLong:
            Log({"CInstanceChecker::OnPeerReadable", kLogInfo},
                "A request longer than %zu bytes; closed", kMaxInstanceRequest);
            ClosePeer(id);
            return;
        case InstanceRequest::kEnqueue:
            peer.enqueue = true;  // the paths follow; what came with the line is kept
            return;
        case InstanceRequest::kUnknown:
            Log({"CInstanceChecker::OnPeerReadable", kLogInfo}, "An unknown request; closed");
            ClosePeer(id);
            return;
        case InstanceRequest::kRaise:
            break;
    }
    // The reply fits an empty socket buffer; a peer that has gone just misses it.
    ::send(peer.fd.Get(), kRaiseReply.data(), kRaiseReply.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    ClosePeer(id);
    Log({"CInstanceChecker::OnPeerReadable", kLogInfo}, "Another start asked to come forward");
    if (raise_handler_) {
        const RaiseHandler handler = raise_handler_;  // the handler may replace itself
        handler();
    }
}

void CInstanceChecker::FinishEnqueue(uint64_t id) {
    const auto it = peers_.find(id);
    if (it == peers_.end()) return;
    Peer& peer = *it->second;
    const std::vector<std::string> paths =
        ParseEnqueueBody(std::string_view(peer.request).substr(kEnqueueRequest.size()));
    Log({"CInstanceChecker::FinishEnqueue", kLogInfo}, "Another start sent %zu file(s)",
        paths.size());
    int added = 0;
    if (enqueue_handler_ && !paths.empty()) {
        const EnqueueHandler handler = enqueue_handler_;  // the handler may replace itself
        added = handler(paths);
    }
    const auto still = peers_.find(id);  // a nested event loop in the handler may have closed it
    if (still == peers_.end()) return;
    const std::string reply = std::string(kEnqueueReply) + std::to_string(added) + "\n";
    ::send(still->second->fd.Get(), reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    ClosePeer(id);
}

void CInstanceChecker::ClosePeer(uint64_t id) {
    const auto it = peers_.find(id);
    if (it == peers_.end()) return;
    std::unique_ptr<Peer> peer = std::move(it->second);
    peers_.erase(it);
    // Called from the peer's own notifier or timer: both go once their signal has returned.
    peer->notifier->setEnabled(false);
    peer->timer->stop();
    peer->notifier.release()->deleteLater();
    peer->timer.release()->deleteLater();
}

void CInstanceChecker::RaiseWidget(QWidget* mainWindow) {
    if (!mainWindow) return;
    if (mainWindow->isMinimized()) {
        mainWindow->setWindowState(mainWindow->windowState() & ~Qt::WindowMinimized);
    }
    mainWindow->show();
    mainWindow->raise();
    QWidget* target = QApplication::activeModalWidget();
    if (!target) target = mainWindow;
    if (target != mainWindow) {
        if (target->isMinimized()) {
            target->setWindowState(target->windowState() & ~Qt::WindowMinimized);
        }
        target->raise();
    }
    target->activateWindow();
}

CInstanceChecker::RaiseHandler CInstanceChecker::MakeWidgetRaiser(QWidget* mainWindow) {
    return [window = QPointer<QWidget>(mainWindow)] { RaiseWidget(window.data()); };
}

}  // namespace zvp

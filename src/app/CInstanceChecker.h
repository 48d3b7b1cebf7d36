#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/CUniqueFd.h"
#include "app/InstanceSocket.h"

class QSocketNotifier;
class QWidget;

namespace zvp {

// Keeps the player to one running copy per user (see InstanceSocket.h for the name and the
// protocol). The first start owns the name and answers "raise" requests by calling the raise
// handler; a later start finds it, asks it to come forward and ends.
//
// Start-up:
//   CInstanceChecker checker;
//   if (checker.Start() == CInstanceChecker::Role::kSecond) {
//       std::fputs(CInstanceChecker::kAlreadyRunningMessage, stderr);
//       return 0;
//   }
//   ... create the main window, then
//   checker.SetRaiseHandler(CInstanceChecker::MakeWidgetRaiser(mainWindow));
// The first instance keeps the checker until shutdown: destroying it closes the socket and
// frees the name.
//
// Threads: the UI thread (the Qt application's thread) makes every call, and the sockets are
// served there by QSocketNotifiers and QTimers without blocking: accepts and reads are
// non-blocking, a connection gets at most kMaxInstanceRequest bytes for its line
// (kMaxEnqueueRequest for an enqueue request) and kPeerTimeout to send all of it, only
// connections from this process's own user are served, and at most kMaxPeers are served at once.
// Only the second start waits, in ActivateRunningInstance, before it has any window.
class CInstanceChecker {
  public:
    enum class Role {
        kFirst,   // this process runs as the player (owning the name, or unguarded)
        kSecond,  // another player of this user runs; this start should end
    };
    using RaiseHandler = std::function<void()>;
    // Appends the files of an enqueue request (absolute paths, in order); returns the number
    // of rows added.
    using EnqueueHandler = std::function<int(const std::vector<std::string>& paths)>;

    static constexpr const char* kAlreadyRunningMessage =
        "zvp: already running; brought it to the front\n";
    static constexpr std::chrono::milliseconds kReplyTimeout{2000};
    static constexpr std::chrono::milliseconds kPeerTimeout{2000};
    static constexpr size_t kMaxPeers = 16;

    CInstanceChecker();
    // Closes every connection and the listening socket; the name is free afterwards.
    ~CInstanceChecker();
    CInstanceChecker(const CInstanceChecker&) = delete;
    CInstanceChecker& operator=(const CInstanceChecker&) = delete;

    // Connects to the player of this user that holds `name`; keeps the connection for
    // ActivateRunningInstance. False when no process of this user listens on it.
    bool FindRunningInstance(std::string_view name = kInstanceName);

    // Tries FindRunningInstance first; only when that fails, binds the name and starts
    // answering requests. True when this process now owns the name. False when another
    // socket holds it (NameTaken() then tells) or the socket cannot be made.
    bool RegisterAsFirstInstance(std::string_view name = kInstanceName);

    // Sends "raise" on the connection FindRunningInstance made and waits up to kReplyTimeout
    // for the answer, then closes it. True when the other player answered. False at once when
    // there is no connection. With an enqueue request set, sends that instead of "raise"
    // (the running player appends the files and does not come forward); AddedCount() then
    // tells the answer.
    bool ActivateRunningInstance();

    // Makes a later ActivateRunningInstance (and Start) hand `paths` (absolute) to the running
    // player instead of asking it to come forward.
    void SetEnqueueRequest(std::vector<std::string> paths) {
        enqueue_paths_ = std::move(paths);
        enqueue_ = true;
    }
    // The rows the running player reported added by the last enqueue request; -1 when it did
    // not answer.
    int AddedCount() const { return added_count_; }

    // The whole start-up decision: asks a running player to come forward (kSecond), else takes
    // the name (kFirst). When two start at once exactly one takes the name and the other finds
    // it. When the name is held but nothing of this user answers on it (another user's socket),
    // logs one line and returns kFirst without owning the name.
    Role Start(std::string_view name = kInstanceName);

    // Whether this process owns the name and listens on it.
    bool IsFirstInstance() const { return listener_.IsValid(); }
    // Whether the last RegisterAsFirstInstance found the name held by another socket.
    bool NameTaken() const { return name_taken_; }
    // Whether the last ActivateRunningInstance got its answer.
    bool OtherAnswered() const { return other_answered_; }

    // Called on the UI thread, once per "raise" request, after the answer went out. Until one
    // is set the request is answered and nothing else happens.
    void SetRaiseHandler(RaiseHandler handler) { raise_handler_ = std::move(handler); }
    // Called on the UI thread, once per complete "enqueue" request, before the answer goes
    // out. Until one is set such requests are answered with 0 rows added.
    void SetEnqueueHandler(EnqueueHandler handler) { enqueue_handler_ = std::move(handler); }

    // Brings `mainWindow` forward: restores it when minimised, shows and raises it, then
    // activates the application's modal dialog when one is open, else the window itself.
    // UI thread; needs a QApplication.
    static void RaiseWidget(QWidget* mainWindow);
    // A handler calling RaiseWidget for `mainWindow`; does nothing once the window is gone.
    static RaiseHandler MakeWidgetRaiser(QWidget* mainWindow);

  private:
    struct Peer;

    void OnConnectionPending();
    void OnPeerReadable(uint64_t id);
    void ClosePeer(uint64_t id);
    void FinishEnqueue(uint64_t id);

    CUniqueFd client_;    // the connection to the running player (second start)
    CUniqueFd listener_;  // the owned name (first start)
    bool name_taken_ = false;
    bool other_answered_ = false;
    int find_error_ = 0;  // errno of the last FindRunningInstance that failed
    std::unique_ptr<QSocketNotifier> listener_notifier_;
    std::map<uint64_t, std::unique_ptr<Peer>> peers_;
    uint64_t next_peer_id_ = 1;
    RaiseHandler raise_handler_;
    EnqueueHandler enqueue_handler_;
    bool enqueue_ = false;  // the second start sends enqueue_paths_ instead of "raise"
    std::vector<std::string> enqueue_paths_;
    int added_count_ = -1;
};

}  // namespace zvp

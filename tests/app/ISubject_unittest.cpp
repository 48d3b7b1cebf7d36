#include "app/ISubject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ObserverHandlers.h"

namespace zvp {
namespace {

// Records every call as "name:tag:arg1:arg2".
class Recorder : public Observer<Recorder> {
  public:
    explicit Recorder(std::string tag, std::vector<std::string>* log)
        : tag_(std::move(tag)), log_(log) {}

    void OnLoaded(ISubject*, EventArg a, EventArg b) { Record("Loaded", a, b); }
    void OnPlaying(ISubject*, EventArg a, EventArg b) { Record("Playing", a, b); }
    void OnStopped(ISubject*, EventArg a, EventArg b) { Record("Stopped", a, b); }

    void OnNotify(ISubject* subject, std::string eventName, HandlerKey handler, EventArg arg1,
                  EventArg arg2) override {
        ++notifications;
        Observer<Recorder>::OnNotify(subject, std::move(eventName), handler, arg1, arg2);
    }

    int notifications = 0;

  private:
    void Record(const char* what, EventArg a, EventArg b) {
        log_->push_back(std::string(what) + ":" + tag_ + ":" + std::to_string(a) + ":" +
                        std::to_string(b));
    }
    std::string tag_;
    std::vector<std::string>* log_;
};

TEST(ISubjectTest, HandlerKeysAreStablePerClass) {
    const HandlerKey a = Recorder::Handler(&Recorder::OnLoaded);
    const HandlerKey b = Recorder::Handler(&Recorder::OnPlaying);
    EXPECT_NE(a, b);
    EXPECT_EQ(Recorder::Handler(&Recorder::OnLoaded), a);
    EXPECT_NE(a, kNoHandler);
}

TEST(ISubjectTest, DoubleRegistrationCallsTwiceInRegistrationOrder) {
    std::vector<std::string> log;
    ISubject subject;
    Recorder one("one", &log), two("two", &log);
    subject.Attach(&one, "MediaLoaded", Recorder::Handler(&Recorder::OnLoaded));
    subject.Attach(&two, "MediaLoaded", Recorder::Handler(&Recorder::OnLoaded));
    subject.Attach(&one, "MediaLoaded", Recorder::Handler(&Recorder::OnLoaded));
    subject.Notify("MediaLoaded", 3, 4);
    EXPECT_EQ(log,
              (std::vector<std::string>{"Loaded:one:3:4", "Loaded:two:3:4", "Loaded:one:3:4"}));
}

TEST(ISubjectTest, DetachRemovesEveryNameAndKeepsOthersInOrder) {
    std::vector<std::string> log;
    ISubject subject;
    Recorder a("a", &log), b("b", &log), c("c", &log);
    subject.Attach(&b, "Playing", Recorder::Handler(&Recorder::OnPlaying));
    subject.Attach(&a, "Loaded", Recorder::Handler(&Recorder::OnLoaded));
    subject.Attach(&c, "Playing", Recorder::Handler(&Recorder::OnPlaying));
    subject.Attach(&a, "Playing", Recorder::Handler(&Recorder::OnPlaying));
    subject.Attach(&b, "Loaded", Recorder::Handler(&Recorder::OnLoaded));
    subject.Attach(&a, "Stopped", Recorder::Handler(&Recorder::OnStopped));
    subject.Detach(&a);
    EXPECT_EQ(subject.RegistrationCount(), 3u);
    subject.Notify("Playing", 0, 0);
    subject.Notify("Loaded", 0, 0);
    subject.Notify("Stopped", 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"Playing:b:0:0", "Playing:c:0:0", "Loaded:b:0:0"}));
}

TEST(ISubjectTest, NoHandlerKeyReachesOnNotifyButRunsNothing) {
    std::vector<std::string> log;
    ISubject subject;
    Recorder r("r", &log);
    subject.Attach(&r, "Loaded", kNoHandler);
    subject.Notify("Loaded", 1, 2);
    EXPECT_EQ(r.notifications, 1);
    EXPECT_TRUE(log.empty());
}

TEST(ISubjectTest, NamesAreCaseSensitiveAndUnknownNamesDoNothing) {
    std::vector<std::string> log;
    ISubject subject;
    Recorder r("r", &log);
    subject.Attach(&r, "MediaLoaded", Recorder::Handler(&Recorder::OnLoaded));
    subject.Notify("medialoaded", 0, 0);
    subject.Notify("MEDIALOADED", 0, 0);
    subject.Notify("Nobody", 0, 0);
    EXPECT_EQ(r.notifications, 0);
}

// Registers a further observer for the same name while the event is delivered.
class Registrar : public Observer<Registrar> {
  public:
    Registrar(ISubject* subject, IObserver* late) : subject_(subject), late_(late) {}
    void OnEvent(ISubject*, EventArg, EventArg) {
        ++calls;
        if (late_) subject_->Attach(late_, "Go", Recorder::Handler(&Recorder::OnLoaded));
        late_ = nullptr;
    }
    void DetachSelf(ISubject*, EventArg, EventArg) { subject_->Detach(this); }
    int calls = 0;

  private:
    ISubject* subject_;
    IObserver* late_;
};

TEST(ISubjectTest, RegistrationDuringDeliveryJoinsTheSamePass) {
    std::vector<std::string> log;
    ISubject subject;
    Recorder late("late", &log);
    Registrar registrar(&subject, &late);
    subject.Attach(&registrar, "Go", Registrar::Handler(&Registrar::OnEvent));
    subject.Notify("Go", 9, 9);
    EXPECT_EQ(registrar.calls, 1);
    EXPECT_EQ(log, (std::vector<std::string>{"Loaded:late:9:9"}));
}

TEST(ISubjectTest, DetachDuringDeliveryIsSafe) {
    std::vector<std::string> log;
    ISubject subject;
    Registrar self(&subject, nullptr);
    Recorder after("after", &log);
    subject.Attach(&self, "Go", Registrar::Handler(&Registrar::DetachSelf));
    subject.Attach(&after, "Go", Recorder::Handler(&Recorder::OnLoaded));
    subject.Notify("Go", 1, 1);
    EXPECT_EQ(subject.RegistrationCount(), 1u);
    // Walking by index, the registration that moved into the freed slot is passed over.
    subject.Notify("Go", 2, 2);
    EXPECT_EQ(log.back(), "Loaded:after:2:2");
}

}  // namespace
}  // namespace zvp

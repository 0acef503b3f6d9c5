#include "platform/LockConfirmation.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using namespace tavik;

namespace {

constexpr qint64 kWatch = LockConfirmation::kRequestWatchMs;

// One input at a time, with the state expected after it.
struct Step {
    qint64 at;
    enum Kind { lockRequest, unlockRequest, announce, see } kind;
    bool announced = false;
    LockerSight sight = LockerSight::none;
    bool locked = false;
};

Step request(qint64 at, bool locked) { return {at, Step::lockRequest, false, LockerSight::none, locked}; }
Step unlockRequest(qint64 at, bool locked) { return {at, Step::unlockRequest, false, LockerSight::none, locked}; }
Step said(qint64 at, bool value, bool locked) { return {at, Step::announce, value, LockerSight::none, locked}; }
Step seen(qint64 at, LockerSight sight, bool locked) { return {at, Step::see, false, sight, locked}; }

TEST(LockConfirmation, ALockRequestCountsOnlyOnceALockerOrASourceConfirmsIt)
{
    using S = LockerSight;
    const struct {
        const char* name;
        std::vector<Step> steps;
    } stories[] = {
        {"a locker seen after the watch is over is not ours", {request(0, false), seen(kWatch, S::window, false)}},
        {"nor one seen without a request", {seen(10, S::window, false), seen(20, S::grab, false)}},
        {"a reporting source needs no request, and its last word counts",
         {said(0, true, true), said(10, false, false), said(20, true, true)}},
        {"a held lock outlasts a source saying unlocked",
         {request(0, false), seen(10, S::window, true), said(20, false, true), seen(30, S::none, false)}},
        {"logind's unlock ends the watch but not a locker that still holds",
         {request(0, false), unlockRequest(10, false), seen(20, S::window, false), request(30, false),
          seen(40, S::window, true), unlockRequest(50, true), seen(60, S::none, false)}},
    };
    for (const auto& story : stories) {
        SCOPED_TRACE(story.name);
        LockConfirmation lock;
        for (std::size_t i = 0; i < story.steps.size(); ++i) {
            const Step& step = story.steps[i];
            switch (step.kind) {
            case Step::lockRequest: lock.lockRequested(step.at); break;
            case Step::unlockRequest: lock.unlockRequested(); break;
            case Step::announce: lock.announce(step.announced); break;
            case Step::see: lock.lockerSeen(step.sight, step.at); break;
            }
            EXPECT_EQ(lock.locked(), step.locked) << "after step " << i;
        }
    }
}

TEST(LockConfirmation, LooksOnlyBrieflyAfterARequestAndWhileAGrabHolds)
{
    LockConfirmation lock;
    EXPECT_EQ(lock.nextLookIn(0), std::nullopt); // nothing asked, nothing to look for
    lock.lockRequested(1000);
    EXPECT_EQ(lock.nextLookIn(1000 + kWatch - 100), 100); // the last look is at the end of the watch
    EXPECT_EQ(lock.nextLookIn(1000 + kWatch), std::nullopt); // and then never again
    lock.lockerSeen(LockerSight::grab, 1010);
    EXPECT_EQ(lock.nextLookIn(kWatch * 10), LockConfirmation::kGrabLookMs); // however long it holds
    lock.lockerSeen(LockerSight::none, kWatch * 10);
    EXPECT_FALSE(lock.watching(kWatch * 10));
}

} // namespace

// A descriptor is closed exactly once, by its last owner, and never when it
// was handed over.
#include "unique_fd.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <utility>

namespace {

bool IsOpen(int fd) { return fcntl(fd, F_GETFD) != -1; }

int OpenNull() { return open("/dev/null", O_RDONLY | O_CLOEXEC); }

TEST(UniqueFd, ClosesWhatItHoldsWhenItGoes) {
  int raw;
  {
    const TFd fd(OpenNull());
    raw = fd.get();
    ASSERT_TRUE(fd.valid());
    EXPECT_TRUE(IsOpen(raw));
  }
  EXPECT_FALSE(IsOpen(raw));
}

TEST(UniqueFd, AMoveLeavesOneOwner) {
  TFd first(OpenNull());
  const int raw = first.get();
  TFd second(std::move(first));
  EXPECT_FALSE(first.valid());
  EXPECT_EQ(second.get(), raw);
  TFd third;
  third = std::move(second);
  EXPECT_FALSE(second.valid());
  EXPECT_TRUE(IsOpen(raw));
  third.reset();
  EXPECT_FALSE(IsOpen(raw));
}

TEST(UniqueFd, AMoveOntoAnOwnerClosesWhatThatOwnerHeld) {
  TFd kept(OpenNull());
  TFd replaced(OpenNull());
  const int replacedRaw = replaced.get();
  const int keptRaw = kept.get();
  replaced = std::move(kept);
  EXPECT_FALSE(IsOpen(replacedRaw));
  EXPECT_EQ(replaced.get(), keptRaw);
  EXPECT_TRUE(IsOpen(keptRaw));
}

TEST(UniqueFd, AReleasedDescriptorStaysOpen) {
  int raw;
  {
    TFd fd(OpenNull());
    raw = fd.release();
    EXPECT_FALSE(fd.valid());
  }
  EXPECT_TRUE(IsOpen(raw));
  close(raw);
}

}  // namespace

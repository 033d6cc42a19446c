// The mark that File > Scan Drives puts on the database for the query
// channel's thread: there while the scan walks, gone however it ends.
#include <gtest/gtest.h>

#include "exceptions.h"
#include "fake_host.h"
#include "memory_db.h"
#include "temp_directory.h"

namespace {

TEST(ScanUnderWay, SeenWhileTheScanWalksAndGoneAfterACancel) {
  TTempDirectory directory("scan-under-way");
  TFakeHost host;
  TMemoryDB db{host};
  host.DefineDrive('C', kDriveFixed);
  host.MakeFile("C:\\a.txt");
  bool seenWhileWalking = false;
  host.OnProcessMessages = [&] {
    seenWhileWalking = db.ScanUnderWay();
    host.Terminate = true;
  };
  EXPECT_FALSE(db.ScanUnderWay());
  EXPECT_THROW(
      {
        const TScanUnderWay scan(db);
        db.ScanDrives(directory.File("memdb.dat"));
      },
      ETerminate);
  EXPECT_TRUE(seenWhileWalking);
  EXPECT_FALSE(db.ScanUnderWay());
}

}  // namespace

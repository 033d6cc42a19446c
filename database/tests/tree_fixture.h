// A database over the in-memory host with the four kinds of drive, and a few
// readable helpers to build a small tree on "disk" and in the database at
// once, shared by the tree, search, change and stress tests.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "fake_host.h"
#include "memory_db.h"

// A lock that knows how deep it is held, so tests can see it left free.
class TCountingLock : public TDatabaseLock {
 public:
  explicit TCountingLock(std::unique_ptr<TDatabaseLock> inner, int& depth)
      : inner_(std::move(inner)), depth_(depth) {}
  void Enter() override {
    inner_->Enter();
    ++depth_;
  }
  void Leave() override {
    --depth_;
    inner_->Leave();
  }

 private:
  std::unique_ptr<TDatabaseLock> inner_;
  int& depth_;
};

class TCountingHost : public TFakeHost {
 public:
  std::unique_ptr<TDatabaseLock> CreateLock() override {
    return std::make_unique<TCountingLock>(TFakeHost::CreateLock(), LockDepth);
  }
  // The attribute query of a rename must come before the lock is taken.
  uint32_t FileAttributes(const std::string& path) override {
    if (LockDepth > 0) ++AttributeQueriesUnderLock;
    return TFakeHost::FileAttributes(path);
  }
  int LockDepth = 0;
  int AttributeQueriesUnderLock = 0;
};

// The invariants every operation must keep: parents in the chain, no parent
// loop, equal row lists, every live row naming an entry that is in its
// directory's chain. Takes the lock; returns what is wrong, or "".
std::string TreeInconsistency(TMemoryDB& db);

class TreeFixture : public ::testing::Test {
 protected:
  TreeFixture();

  // Each path goes into the database and onto the fake disk: a path ending
  // in "\" is a directory, any other a file; missing levels are made, in
  // order, so the chain order is the order of first mention.
  void Build(std::initializer_list<const char*> paths);
  // Only into the database (a tree that is out of step with the disk).
  void BuildTreeOnly(std::initializer_list<const char*> paths);
  // The node of a directory path such as C:\WINDOWS\ (case-insensitive).
  TDirectoryRecord* Node(const std::string& directoryPath);
  TFileRecord* Entry(const std::string& filePath);
  // File names of a node's chain, front to back.
  std::vector<std::string> FilesOf(const std::string& directoryPath);
  // ResultFullPath of every row.
  std::vector<std::string> Rows();
  // Full paths of every directory, in chain order.
  std::vector<std::string> Directories();
  // Every directory and every file, in chain order: compares whole trees.
  std::vector<std::string> Snapshot();
  std::string Inconsistency() { return TreeInconsistency(db); }

  TCountingHost host;
  TMemoryDB db{host};

 private:
  TDirectoryRecord* EnsureDirectory(const std::string& directoryPath);
};

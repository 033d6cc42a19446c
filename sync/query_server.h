// The query channel's serving thread: velkoro-find's requests read from the
// request FIFO, answered from the database on reply FIFOs of the clients'
// own. Opened once the database is loaded or built, closed by ShutDown on
// every way out; its FIFO and drives file go with it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "memory_db.h"
#include "query_answer.h"
#include "query_request.h"
#include "thread.h"

class TQueryServer : public TThread {
 public:
  // The channel of this prefix, serving at once; nil when it cannot be set
  // up (no Wine underneath, no velkoro-find-channel, a folder that is not
  // private): the program then runs without it.
  static std::unique_ptr<TQueryServer> Open(TMemoryDB& database);
  ~TQueryServer() override;

  // Wakes the thread with a request of the program's own, waits a bounded
  // time for it to end, and removes the FIFO and the drives file. False
  // when the thread did not end in time: it may still be in a search, and
  // the database must then outlive it.
  bool Stop();

 protected:
  void Execute() override;

 private:
  TQueryServer(TMemoryDB& database, std::string folder, HANDLE requests, uint64_t token);
  void Serve(const TQueryRequest& request);
  void RemoveChannel();

  TMemoryDB& database_;
  const std::string folder_;
  HANDLE requests_;
  const uint64_t stopToken_;
  TQueryAnswerer answerer_;
  bool removed_ = false;
};

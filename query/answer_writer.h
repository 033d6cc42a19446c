// Streams an answer, made under the database's lock, to the client's reply
// FIFO on a short-lived thread of its own: a client that reads slowly (a
// pager) holds up only its own answer, never the query thread.
#pragma once

#include <windows.h>

#include <string>

#include "answer_frames.h"
#include "query_answer.h"

// The frames' way into a reply FIFO opened by the program.
TFrameSink ReplySink(HANDLE reply);

// Sends Answer on a thread of its own and closes Reply, which it owns from
// now on.
void SendAnswer(HANDLE reply, TQueryAnswer answer);

// Streams an answer, made under the database's lock, to the client's reply
// FIFO on a short-lived thread of its own: a client that reads slowly (a
// pager) holds up only its own answer, never the query thread.
#pragma once

#include <windows.h>

#include <string>

#include "query_answer.h"

// Writes one frame whole; false when the client has gone.
bool WriteFrame(HANDLE reply, uint8_t type, const char* payload, uint32_t length);

// Writes Answer whole, on this thread.
void WriteAnswer(HANDLE reply, const TQueryAnswer& answer);

// Sends Answer on a thread of its own and closes Reply, which it owns from
// now on.
void SendAnswer(HANDLE reply, TQueryAnswer answer);

// The message log: one plain-text entry per failure the program notices.
#pragma once

#include <cstdint>

// Message kinds (bits of MsgArt).
constexpr int32_t DMSG = 1;
constexpr int32_t SMSG = 2;
constexpr int32_t FMSG = 4;
constexpr int32_t WMSG = 8;
constexpr int32_t CMSG = 16;

struct LogEntry {
  const char* Funktion;  // reporting function or step
  const char* Message;   // message text, often the failed statement or callee
  int32_t MsgArt;        // kind bits
  int32_t ErrorCode;     // status that goes with the message
};

// Sets the kind mask and the log file name (Windows form, e.g.
// ".\Msg\Welfrast.Txt"), derives the backup name, resets the entry counter.
void Log_Init(int32_t mask, const char* fileName);

// Writes one entry; the caller never learns whether it reached the file.
void Log_Write(const LogEntry& entry);

// Shorthand for the entries the program writes: kind FMSG.
inline void Log_Fmsg(const char* funktion, const char* message, int32_t errorCode) {
  Log_Write(LogEntry{funktion, message, FMSG, errorCode});
}

#pragma once
// The data-flash description reader: plain functions over one loaded description at a time.
//
// Texts come back in caller buffers of kTextBufferSize characters that the caller fills with
// NUL beforehand; the reader writes at most kTextBufferSize - 1 characters and a NUL, so the
// text is everything before the first NUL. Indices count from 0; an index out of range gives
// an empty text, a count of 0 and an offset of -1, never a fault.
//
// Loading needs the key handshake first: r -> SetMagic1(r) returns v -> SetMagic2(v ^ r ^ K),
// K from HandshakeKey.h. A load that fails leaves nothing loaded and says why in
// LastLoadError(). Nothing here throws.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "dfdesc/DfDescription.h"

namespace gaugecal::dfdesc {

constexpr int32_t kTextBufferSize = 128;

// Starts a handshake with the caller's random number; returns the reader's answer v.
int32_t SetMagic1(int32_t r);
// Completes it with v XOR r XOR K.
void SetMagic2(int32_t magic);
// Non-zero: a failed load also writes its reason to stderr. The reader shows no messages.
void ShowErrorMsgs(int32_t flag);

// 0 when the description at path is loaded and ready for the getters; non-zero otherwise.
int32_t LoadCfgFile(const char* path);
// The same for a description already in memory (used by the fuzz target and tools).
int32_t LoadCfgText(const char* data, size_t size);
void UnloadCfgFile();
// Why the last load failed; empty after a successful load.
const char* LastLoadError();

int32_t GetNumClasses();
int32_t GetNumSubClasses(int32_t cls);
int32_t GetNumData(int32_t cls, int32_t sub);

// Text getters return 0, or 1 for an index out of range (the buffer then stays empty).
int32_t GetClass(int32_t cls, char* text);
int32_t GetNextSubClass(int32_t cls, int32_t sub, int32_t* subclassNumber, char* text);
int32_t GetName(int32_t cls, int32_t sub, int32_t index, char* text);
int32_t GetOffset(int32_t cls, int32_t sub, int32_t index);
int32_t GetValue(int32_t cls, int32_t sub, int32_t index, char* text);
int32_t GetDefValue(int32_t cls, int32_t sub, int32_t index, char* text);
int32_t GetDataType(int32_t cls, int32_t sub, int32_t index, char* text);
int32_t GetMinValue(int32_t cls, int32_t sub, int32_t index, char* text);
int32_t GetMaxValue(int32_t cls, int32_t sub, int32_t index, char* text);
int32_t GetUnits(int32_t cls, int32_t sub, int32_t index, char* text);
int32_t GetHelp(int32_t cls, int32_t sub, int32_t index, char* text);

// The reader's whole process-wide state.
struct ReaderState {
  std::optional<DfDescription> loaded;
  uint32_t handshakes = 0;        // varies the answer from one handshake to the next
  std::optional<int32_t> seed;    // r of the open handshake
  std::optional<int32_t> answer;  // v returned for it
  std::optional<int32_t> magic2;  // last value SetMagic2 received
  bool showErrors = false;
  std::string lastError;
};

ReaderState& Reader();
// Back to the state of a freshly loaded library (tests).
void ResetReader();

}  // namespace gaugecal::dfdesc

#include "dfdesc/DfReader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>

#include "dfdesc/DescriptionParser.h"
#include "dfdesc/HandshakeKey.h"
#include "platform/BoundedFile.h"

namespace gaugecal::dfdesc {

namespace {

// A 32-bit mixer (the finaliser of a well-known integer hash): every input bit affects every
// output bit, so v cannot be guessed from r without running the reader.
uint32_t Mix(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7FEB352DU;
  x ^= x >> 15;
  x *= 0x846CA68BU;
  x ^= x >> 16;
  return x;
}

bool HandshakeComplete() {
  const ReaderState& s = Reader();
  return s.seed && s.answer && s.magic2 && *s.magic2 == (*s.answer ^ *s.seed ^ kHandshakeKey);
}

int32_t Fail(const std::string& reason) {
  ReaderState& s = Reader();
  s.loaded.reset();
  s.lastError = reason;
  if (s.showErrors)
    std::fprintf(stderr, "data flash description: %s\n", reason.c_str());
  return 1;
}

int32_t LoadText(const std::string& text) {
  DfDescription parsed;
  std::string error;
  if (!ParseDescription(text, parsed, error))
    return Fail(error);
  ReaderState& s = Reader();
  s.loaded = std::move(parsed);
  s.lastError.clear();
  return 0;
}

const DfClass* ClassAt(int32_t cls) {
  const auto& d = Reader().loaded;
  if (!d || cls < 0 || static_cast<size_t>(cls) >= d->classes.size())
    return nullptr;
  return &d->classes[static_cast<size_t>(cls)];
}

const DfSubclass* SubclassAt(int32_t cls, int32_t sub) {
  const DfClass* c = ClassAt(cls);
  if (!c || sub < 0 || static_cast<size_t>(sub) >= c->subclasses.size())
    return nullptr;
  return &c->subclasses[static_cast<size_t>(sub)];
}

const DfParameter* ParameterAt(int32_t cls, int32_t sub, int32_t index) {
  const DfSubclass* s = SubclassAt(cls, sub);
  if (!s || index < 0 || static_cast<size_t>(index) >= s->parameters.size())
    return nullptr;
  return &s->parameters[static_cast<size_t>(index)];
}

int32_t CopyText(const std::string* source, char* text) {
  if (!source)
    return 1;
  if (text) {
    const size_t n = std::min(source->size(), static_cast<size_t>(kTextBufferSize - 1));
    std::memcpy(text, source->data(), n);
    text[n] = '\0';
  }
  return 0;
}

// The text getters of a parameter differ only in the field they copy.
int32_t CopyField(int32_t cls, int32_t sub, int32_t index, std::string DfParameter::*field,
                  char* text) {
  const DfParameter* p = ParameterAt(cls, sub, index);
  return CopyText(p ? &(p->*field) : nullptr, text);
}

}  // namespace

ReaderState& Reader() {
  static ReaderState state;
  return state;
}

void ResetReader() {
  Reader() = ReaderState{};
}

int32_t SetMagic1(int32_t r) {
  ReaderState& s = Reader();
  const uint32_t v = Mix(static_cast<uint32_t>(r) ^ Mix(++s.handshakes));
  s.seed = r;
  s.answer = static_cast<int32_t>(v);
  s.magic2.reset();  // a new handshake needs its own completion
  return *s.answer;
}

void SetMagic2(int32_t magic) {
  Reader().magic2 = magic;
}

void ShowErrorMsgs(int32_t flag) {
  Reader().showErrors = flag != 0;
}

int32_t LoadCfgFile(const char* path) {
  if (!HandshakeComplete())
    return Fail("the key handshake was not completed");
  if (!path || !*path)
    return Fail("no file name given");
  try {
    std::string text, problem;
    if (!ReadBoundedFile(path, kMaxFileBytes, text, problem))
      return Fail(path + (" " + problem));
    return LoadText(text);
  } catch (const std::exception& e) {
    return Fail(std::string("cannot read ") + path + ": " + e.what());
  }
}

int32_t LoadCfgText(const char* data, size_t size) {
  if (!HandshakeComplete())
    return Fail("the key handshake was not completed");
  if (size > kMaxFileBytes)
    return Fail("the description is larger than " + std::to_string(kMaxFileBytes) + " bytes");
  try {
    return LoadText(std::string(data ? data : "", data ? size : 0));
  } catch (const std::exception& e) {
    return Fail(std::string("cannot read the description: ") + e.what());
  }
}

void UnloadCfgFile() {
  Reader().loaded.reset();
}

const char* LastLoadError() {
  return Reader().lastError.c_str();
}

int32_t GetNumClasses() {
  const auto& d = Reader().loaded;
  return d ? static_cast<int32_t>(d->classes.size()) : 0;
}

int32_t GetNumSubClasses(int32_t cls) {
  const DfClass* c = ClassAt(cls);
  return c ? static_cast<int32_t>(c->subclasses.size()) : 0;
}

int32_t GetNumData(int32_t cls, int32_t sub) {
  const DfSubclass* s = SubclassAt(cls, sub);
  return s ? static_cast<int32_t>(s->parameters.size()) : 0;
}

int32_t GetClass(int32_t cls, char* text) {
  const DfClass* c = ClassAt(cls);
  return CopyText(c ? &c->name : nullptr, text);
}

int32_t GetNextSubClass(int32_t cls, int32_t sub, int32_t* subclassNumber, char* text) {
  const DfSubclass* s = SubclassAt(cls, sub);
  if (s && subclassNumber)
    *subclassNumber = s->number;
  return CopyText(s ? &s->name : nullptr, text);
}

int32_t GetName(int32_t cls, int32_t sub, int32_t index, char* text) {
  return CopyField(cls, sub, index, &DfParameter::name, text);
}

int32_t GetOffset(int32_t cls, int32_t sub, int32_t index) {
  const DfParameter* p = ParameterAt(cls, sub, index);
  return p ? p->offset : -1;
}

int32_t GetValue(int32_t cls, int32_t sub, int32_t index, char* text) {
  return CopyField(cls, sub, index, &DfParameter::value, text);
}

int32_t GetDefValue(int32_t cls, int32_t sub, int32_t index, char* text) {
  return CopyField(cls, sub, index, &DfParameter::defaultValue, text);
}

int32_t GetDataType(int32_t cls, int32_t sub, int32_t index, char* text) {
  return CopyField(cls, sub, index, &DfParameter::type, text);
}

int32_t GetMinValue(int32_t cls, int32_t sub, int32_t index, char* text) {
  return CopyField(cls, sub, index, &DfParameter::minimum, text);
}

int32_t GetMaxValue(int32_t cls, int32_t sub, int32_t index, char* text) {
  return CopyField(cls, sub, index, &DfParameter::maximum, text);
}

int32_t GetUnits(int32_t cls, int32_t sub, int32_t index, char* text) {
  return CopyField(cls, sub, index, &DfParameter::units, text);
}

int32_t GetHelp(int32_t cls, int32_t sub, int32_t index, char* text) {
  return CopyField(cls, sub, index, &DfParameter::description, text);
}

}  // namespace gaugecal::dfdesc

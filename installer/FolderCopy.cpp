#include "installer/FolderCopy.h"

#include <chrono>
#include <random>
#include <string>
#include <thread>

#include "installer/PathCalls.h"
#include "installer/WindowsPathText.h"

namespace {

// Temporary names are tried until one is free; a sweep of another install can also
// take a fresh file in the moment before it is held, and then another name is tried.
constexpr int kNameAttempts = 64;

std::string RandomTemporaryName() {
  static constexpr char kCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kCharacters - 2);
  std::string name(kTemporaryPrefix);
  for (std::size_t i = 0; i < kTemporaryRandomCharacters; ++i) name += kCharacters[pick(generator)];
  return name;
}

bool IsTemporaryName(std::string_view name) {
  return name.size() == kTemporaryPrefix.size() + kTemporaryRandomCharacters && name.starts_with(kTemporaryPrefix);
}

// Calls `attempt` with fresh temporary names while it fails because the name is taken.
template <typename Attempt>
auto TryTemporaryNames(Attempt attempt) {
  for (int tried = 1;; ++tried) {
    auto result = attempt(RandomTemporaryName().c_str());
    if (result || files::LastError() != files::kErrorAlreadyExists || tried == kNameAttempts) return result;
  }
}

// A destination held for a moment by another install (or by a reader, where a rename
// cannot replace an open file) refuses the rename: 20 attempts wait about 0.2 s in all.
constexpr int kReplaceAttempts = 20;

unsigned long ErrorIfNull(const files::FolderHandle& folder) { return folder ? 0 : files::LastError(); }

}  // namespace

FolderCopy::FolderCopy(std::string_view sourceFolder, std::string_view destinationFolder)
    : m_source(OpenFolderAt(sourceFolder)),
      m_sourceError(ErrorIfNull(m_source)),
      m_destination(OpenFolderAt(destinationFolder)),
      m_destinationError(ErrorIfNull(m_destination)) {}

void FolderCopy::SweepAbandonedOnce() {
  if (m_swept) return;
  m_swept = true;
  const unsigned long reported = files::LastError();
  files::ListFiles(*m_destination, [this](const std::string& name) {
    if (IsTemporaryName(name)) files::RemoveUnheldFile(*m_destination, name.c_str());
  });
  files::SetLastError(reported);
}

files::NewFileHandle FolderCopy::CreateNewFile(bool& unnamed) {
  // A file without a name can only ever appear whole; where the file system has none,
  // a held temporary name, which no sweep removes, stands in.
  files::NewFileHandle file = files::CreateUnnamedFile(*m_destination);
  unnamed = file != nullptr;
  if (file || files::LastError() != files::kErrorNotSupported) return file;
  return TryTemporaryNames([this](const char* name) { return files::CreateHeldFile(*m_destination, name); });
}

bool FolderCopy::PutInPlace(files::NewFileState& file, bool unnamed, const char* name) {
  if (unnamed) {
    // A new name is given in one step; an entry there already is replaced through a
    // held temporary name, renamed over it.
    if (files::PutInPlace(file, name, files::Placing::kWhereFree)) return true;
    if (files::LastError() != files::kErrorAlreadyExists) return false;
    if (!TryTemporaryNames([&file](const char* temporary) { return files::HoldUnderName(file, temporary); })) {
      return false;
    }
  }
  return Replace(file, name);
}

bool FolderCopy::Replace(files::NewFileState& file, const char* name) {
  for (int attempt = 1;; ++attempt) {
    if (files::PutInPlace(file, name, files::Placing::kReplacing)) return true;
    const unsigned long error = files::LastError();
    // Another writer gave the name meanwhile: the copy replaces that entry.
    if (error == files::kErrorAlreadyExists && attempt == 1) continue;
    if (error != files::kErrorAccessDenied && error != files::kErrorSharingViolation) return false;
    // A read-only mark is asked for only after a refusal, since asking for a name that
    // is not there yet costs a look-up through the whole folder on some file systems.
    // The mark is lifted, and put back unless the copy took the entry's place.
    if (attempt == 1 && files::ClearReadOnlyMark(*m_destination, name)) {
      if (files::PutInPlace(file, name, files::Placing::kReplacing)) return true;
      const unsigned long refused = files::LastError();
      files::SetReadOnlyMark(*m_destination, name);
      files::SetLastError(refused);
      return false;
    }
    if (attempt == kReplaceAttempts) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(attempt));
  }
}

bool FolderCopy::CopyFile(const Names& names, std::uint64_t& bytesCopied, const files::CopyWatch* watch) {
  // Both paths must fit their buffers before anything is looked at.
  if (!names.destinationPath.Fits() || !WithinPathLimit(names.sourcePath)) {
    files::SetLastError(files::kErrorFilenameTooLong);
    return false;
  }
  if (!m_source) {
    files::SetLastError(m_sourceError);
    return false;
  }
  const files::SourceHandle source = files::OpenSource(*m_source, std::string(names.source).c_str());
  if (!source || !WithinPathLimit(names.destinationPath)) return false;
  if (!m_destination) {
    files::SetLastError(m_destinationError);
    return false;
  }
  SweepAbandonedOnce();
  bool unnamed = false;
  const files::NewFileHandle file = CreateNewFile(unnamed);
  if (!file) return false;
  std::uint64_t written = 0;
  if (!files::WriteCopy(*file, *source, written, watch) ||
      !PutInPlace(*file, unnamed, std::string(names.destination).c_str())) {
    return false;
  }
  bytesCopied = written;
  return true;
}

bool CopyFileReplacing(std::string_view source, std::string_view destination, std::uint64_t* bytesCopied,
                       const files::CopyWatch* watch) {
  const auto [sourceFolder, sourceName] = path_text::SplitLast(source);
  const auto [destinationFolder, destinationName] = path_text::SplitLast(destination);
  BoundedPath<32768> sourcePath;
  sourcePath.Format("%s", std::string(source));
  BoundedPath<32768> destinationPath;
  destinationPath.Format("%s", std::string(destination));
  std::uint64_t copied = 0;
  FolderCopy copy(sourceFolder.empty() ? "." : sourceFolder, destinationFolder.empty() ? "." : destinationFolder);
  if (!copy.CopyFile({sourceName, destinationName, sourcePath, destinationPath}, copied, watch)) return false;
  if (bytesCopied != nullptr) *bytesCopied = copied;
  return true;
}

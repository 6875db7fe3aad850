// The record an update keeps in the installation folder while it puts its
// files in place: which files it replaces or adds, where each new file waits
// and where each old one is kept, and which folders it made. It is written
// and made durable before the first file is replaced, and removed once the
// update is whole; a run that finds one left by a run that has ended puts
// the old installation back from it (update_step.h).
#pragma once

#include <string>
#include <vector>

namespace platform {

// A folder below the installation folder, by the names of its components;
// empty for the installation folder itself.
using FolderPath = std::vector<std::wstring>;
// The path as text, its components joined by backslashes.
std::wstring Joined(const FolderPath& path);

struct Replacement {
  FolderPath folder;
  std::wstring name;       // the file's name there
  std::wstring temporary;  // where the new file waits (a temporary's name)
  std::wstring kept;       // where the old file is kept; empty when it is added
};

struct MadeFolder {
  FolderPath parent;
  std::wstring name;
};

struct UpdateRecord {
  std::vector<Replacement> replacements;  // in the order they are made
  std::vector<MadeFolder> made_folders;   // in the order they were made
};

// The record's bytes (UTF-16LE lines), and back. Decoding refuses anything
// another run could not have written: a name that is not one component, a
// temporary or kept name that is not of a run's own making.
std::string Encode(const UpdateRecord& record);
bool Decode(const std::string& bytes, UpdateRecord* record);

// The name of the record of process: pending while the files go in place,
// done once they all are, when only the kept old files remain to be removed.
std::wstring RecordName(unsigned long process, bool done);
// The process id in a record's name, and whether it is done; 0 for any other
// name.
unsigned long MakerOfRecord(const std::wstring& name, bool* done);

// Each file is copied to a temporary beside its destination, named
// ~Quadrivo-<process id>-<n>.tmp, which then takes the destination's place.
// A run killed in between leaves it behind, and the next run that copies
// into that folder removes it once its maker has ended. The process id and
// a counter make a name no other run picks.
std::wstring TemporaryName(unsigned long process, unsigned long counter);
// The process id in a temporary's or a kept old file's name; 0 for any other
// name, which is someone else's and stays.
unsigned long MakerOfTemporary(const std::wstring& name);

// Where the old file is kept while its new one, waiting as temporary, takes
// its name: the temporary's name with its own ending, which the cleanup of
// abandoned temporaries recognizes too.
std::wstring KeptName(const std::wstring& temporary);

}  // namespace platform

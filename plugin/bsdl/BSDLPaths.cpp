// Locating a BSDL file: the library path of a relative name, and the lookup that falls back
// to the temporary folder and to a zipped copy beside the file.
#include <fcntl.h>
#include <unistd.h>
#include <zip.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "bsdl/BSDL.h"
#include "sdk/Platform.h"

namespace morvel {

namespace {

// Entries larger than this are no BSDL file; skipping them keeps a hostile archive from
// filling the temporary folder.
constexpr zip_uint64_t kMaxEntrySize = 64u << 20;

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

// The last component of an entry name, or empty for a name that must not be extracted: a
// folder, an absolute name, or one that climbs with "..".
std::string FlatEntryName(std::string_view name) {
  if (name.empty() || IsSeparator(name.front()) || name.find(':') != std::string_view::npos)
    return {};
  size_t start = 0;
  std::string_view last;
  while (start <= name.size()) {
    size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    last = name.substr(start, end - start);
    if (last == "..") return {};
    start = end + 1;
  }
  if (last.empty() || last == ".") return {};
  return std::string(last);
}

// Writes one entry to a fresh file in the folder and renames it over the target, so that a
// file or link already standing there is replaced, never written through.
bool ExtractEntry(zip_t* archive, zip_uint64_t index, const std::string& folder,
                  const std::string& name) {
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat_index(archive, index, 0, &st) != 0) return false;
  if ((st.valid & ZIP_STAT_SIZE) != 0 && st.size > kMaxEntrySize) return false;
  zip_file_t* in = zip_fopen_index(archive, index, 0);
  if (in == nullptr) return false;
  std::string temp = folder + ".bsdl-XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    zip_fclose(in);
    return false;
  }
  bool ok = true;
  zip_uint64_t total = 0;
  char buf[65536];
  for (;;) {
    const zip_int64_t n = zip_fread(in, buf, sizeof buf);
    if (n < 0) {
      ok = false;
      break;
    }
    if (n == 0) break;
    total += static_cast<zip_uint64_t>(n);
    if (total > kMaxEntrySize) {
      ok = false;
      break;
    }
    for (zip_int64_t done = 0; done < n;) {
      const ssize_t w = ::write(fd, buf + done, static_cast<size_t>(n - done));
      if (w <= 0) {
        ok = false;
        break;
      }
      done += w;
    }
    if (!ok) break;
  }
  zip_fclose(in);
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = std::rename(temp.c_str(), (folder + name).c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

// Extracts every file of the archive into the folder, flat; a damaged archive extracts what
// can be read of it, a corrupt one nothing.
void ExtractFlat(const std::string& archivePath, const std::string& folder) {
  int error = 0;
  zip_t* archive = zip_open(archivePath.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
  if (archive == nullptr) return;
  const zip_int64_t count = zip_get_num_entries(archive, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* entry = zip_get_name(archive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
    if (entry == nullptr) continue;
    const std::string name = FlatEntryName(entry);
    if (!name.empty()) ExtractEntry(archive, static_cast<zip_uint64_t>(i), folder, name);
  }
  zip_discard(archive);
}

std::string TempFolder() {
  std::error_code ec;
  const std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
  return ec ? std::string() : IncludeTrailingPathDelimiter(temp.string());
}

}  // namespace

std::string TBSDLEntity::DetermineFullPath(const std::string& BSDLFileName,
                                           const std::string& DeviceVendorName,
                                           const std::string& DeviceFamilyName,
                                           const std::string& LibraryFolder) {
  if (!IsRelativePath(BSDLFileName)) return BSDLFileName;
  const std::string base = IncludeTrailingPathDelimiter(
      LibraryFolder.empty() ? ModuleFolder() + "Library" : LibraryFolder);
  return base + "BSDL/" + DeviceVendorName + "/" + DeviceFamilyName + "/" + BSDLFileName;
}

std::string TBSDLEntity::FindFullBSDLPath(const std::string& SourcePath) {
  if (SourcePath.empty()) return {};
  if (FileExists(SourcePath)) return SourcePath;
  const std::filesystem::path source(SourcePath);
  const std::string name = source.filename().string();
  const std::string temp = TempFolder();
  if (name.empty() || temp.empty()) return {};
  std::string candidate = temp + name;
  if (FileExists(candidate)) return candidate;
  // The archive's extension is ".Zip", matched in any case as file names are.
  std::filesystem::path archive = source;
  archive.replace_extension(".Zip");
  const std::string found = ActualFileName(archive.string());
  if (!FileExists(found)) return {};
  ExtractFlat(found, temp);
  return FileExists(candidate) ? ActualFileName(candidate) : std::string();
}

}  // namespace morvel

#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Data.h"
#include "platform/base/Date.h"

namespace platform {

// The file operations the stored data needs. Nothing here throws: failures answer none or false and
// leave a log line where the cause would otherwise be lost.
class Files {
public:
    // The whole file, or none when it is missing or cannot be read (a read error other than "missing"
    // is logged).
    static std::optional<Data> read(const std::string& path);

    // Writes the data to a temporary file in the same folder, flushes it to disk, gives it the mode and
    // renames it over the path. Missing parent folders are created (0700, as the XDG folders are). On
    // any failure the previous file is untouched, the temporary file is removed and the answer is false.
    static bool writeAtomically(const std::string& path, const Data& data, mode_t mode = 0644);
    // The same, except that nothing is written when the path already is a regular file of this user with
    // exactly these bytes and this mode: such a save would change nothing on disk, yet cost a new file,
    // two flushes and a rename. True when the file holds the data afterwards.
    static bool writeAtomicallyUnlessUnchanged(const std::string& path, const Data& data, mode_t mode = 0644);
    // Whether the path is a regular file (not a link) of this user holding exactly these bytes with this
    // mode.
    static bool holdsExactly(const std::string& path, const Data& data, mode_t mode);

    // Appends the data at the end of the file in one write, creating the file with the mode when it is
    // missing. The path is opened without following a link: a link, a folder or anything else that is
    // no regular file in its place is refused with a log line, so that what is meant for this file never
    // lands in another one. True when every byte was written.
    static bool appendToFile(const std::string& path, const Data& data, mode_t mode = 0600);

    static bool exists(const std::string& path);
    // Whether the path itself is a regular file: a folder is not, nor is a link, whatever it points to.
    static bool isRegularFile(const std::string& path);
    static bool isDirectory(const std::string& path);
    // Creates the folder and its missing parents; true when the folder exists afterwards.
    static bool createDirectories(const std::string& path, mode_t mode = 0755);
    // Takes the group's and others' access away from an existing file or folder (a folder made by an
    // earlier version, or by a tool with a looser mask). True when it is private afterwards.
    static bool makePrivate(const std::string& path);
    // Removes a file or a whole folder tree. True when something was removed; false when nothing was
    // there or the removal failed (a failure is logged).
    static bool remove(const std::string& path);
    // Removes the one regular file at the path and nothing else: a folder, a link or anything else there
    // is left as it is, with a log line. True when the file was removed; false when nothing was there.
    static bool removeRegularFile(const std::string& path);
    // Renames within one file system, replacing a file at the destination.
    static bool move(const std::string& from, const std::string& to);
    // The names in the folder (no "." or ".."), sorted; empty when it is no readable folder.
    static std::vector<std::string> listDirectory(const std::string& path);
    static std::optional<uint64_t> fileSize(const std::string& path);
    static std::optional<Date> modificationDate(const std::string& path);

    // Renames a file that exists but cannot be used to "<path>.unreadable-<unix time>" so that the next
    // save does not destroy what may still be recovered by hand. Answers the new path, or none when the
    // rename failed. Either way a log line names the file.
    static std::optional<std::string> moveAside(const std::string& path);
    // The same rename to "<path>.<label>-<unix time>", for a file kept for another reason; the only log
    // line is a failure's, and the caller says why the file was kept.
    static std::optional<std::string> keepAside(const std::string& path, const std::string& label);

    // Removes what interrupted atomic saves of this path left behind (".<name>.tmp-XXXXXX" beside it):
    // complete or partial copies of the data that nothing would ever read or remove. Only the path's own
    // leftovers are touched, so that a save of another file in the same folder is never disturbed.
    // Answers how many were removed.
    static size_t removeLeftoverTemporaryFiles(const std::string& path);
    // The same for every file in the folder: for a folder whose files only this application saves (the
    // photos), at a moment none of them is being saved.
    static size_t removeLeftoverTemporaryFilesInFolder(const std::string& folder);

    // The folder part of a path ("" for a bare name) and the last component.
    static std::string parentPath(const std::string& path);
    static std::string lastPathComponent(const std::string& path);

    // Folders this process found it cannot write in (a file in the folder's place, no permission, a
    // read-only disk). The first time a folder is found so, one line names it, the reason and the
    // consequence (by default that nothing saved in it will be kept); later failures in it or below it
    // stay quiet, so that every save does not repeat the same error. A later successful save there
    // forgets it. Answers whether this was the first report for the folder.
    static bool reportUnwritableFolder(const std::string& folder, int error,
                                       const std::string& consequence = "nothing saved in it will be kept");
    // Whether the path is a folder reported unwritable, or lies below one.
    static bool isInUnwritableFolder(const std::string& path);
    static void forgetUnwritableFoldersForTesting();

    // Tests only: the next writeAtomically (in any thread) writes at most this many bytes and then fails
    // as a full or failing disk would.
    static void failNextWriteAfter(size_t bytes);
};

}  // namespace platform

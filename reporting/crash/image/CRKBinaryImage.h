#pragma once

#include <cstddef>
#include <cstdint>

#include "reporting/crash/CRKContext.h"
#include "reporting/crash/CRKFile.h"
#include "reporting/crash/image/CRKMachOFile.h"

namespace reporting {

// The binary-image table: where every loaded image lies, with its identifier and its unwind sections.
// It keeps a log file of load and unload events ("binary_images.crkrecord") for symbolication on the
// next launch, and the 512 slots of the writable context, filled lock-free as images come and go and
// searched without locks or allocation at crash time.
//
// The loader's add-image and remove-image callbacks come from the platform's image loader
// (platform/mach/ImageLoader.h), which the table registers with at start: it tells the table of every
// image already loaded at once, and afterwards of each image mapped or unmapped, whoever loaded it, at
// the next reading of the loader's list: after the program's own loads and at the end of every pass of
// the main run loop. At crash time the handler walks the loader's own list of objects (the r_debug /
// link_map chain its debugger interface publishes) through the safe memory reader, without a lock or an
// allocation, and adds what that reading has not told yet, records included: a library loaded a moment
// before the crash, by anyone, the C library among them, is in the report. Before that walk it writes
// every record the table holds that has not reached the file and that no other thread is writing (one
// still queued), from what the table kept of it, and afterwards waits for those another thread was
// writing: a damaged list cannot make the report forget an image known before the crash, nor can the
// walk take an image out of the table, and no image is recorded twice. The log file is reset
// at start, before any image is registered, and never after, so nothing erases what a crash wrote.
//
// Not met here: a table that knows each image before code in it runs. This loader offers no callback
// between mapping a library and running its constructors, so those constructors, and what a library
// does before the next reading, run before the table hears of it; only a crash in between is covered,
// by the walk at crash time. That walk writes "load" records without the framework bundle's fields
// (reading the bundle's property list would allocate) and no "unload" records: an image unloaded since
// the last reading keeps its slot, and an address is looked up in the latest slot that holds it.
//
// An image is the same image while its header, dynamic section, path and build stay: a library closed
// and opened again where it lay after another build replaced its file, however the file was replaced (a
// new file renamed over it, the file written again in place, removed and made anew, relinked), gets an
// "unload" and a "load" record and a slot of its own at the next reading, or a slot and a "load" record
// in the walk at crash time. That walk reads the loader's entries, and for the libraries the table
// holds the first bytes of each slot's build-id where the listed object keeps them, in one kernel copy
// for up to 64 libraries: the device and inode of a library's file, which the loader's entry holds
// beside what it publishes, tell only another file (whose build is then read in full), since a file
// written in place keeps its inode and one made anew often gets the number of the one removed. Not met
// here: a library without a build-id has nothing that tells two builds apart short of reading it whole,
// so another build of it opened where it lay is taken for the old one, at the walk whenever its file
// has the old one's device and inode, and at the readings always. It is then looked up by the old build's
// size and unwind sections: where its code runs further than the old build's, an address past the old
// build's end, the crashed frame's among them, lies in no image. And the same build closed and opened
// again at the same place between two readings keeps the one slot it had (this loader offers no event
// that tells it apart from a library that stayed open; its frames name the same symbols either way).

// What one image event knows of its image.
struct CRKBinaryImageDetails {
    char uuid[33];  // 32 lower-case hex digits of the build identifier, or empty
    bool encrypted;
    CRKMachOVersion builtSDKVersion;
    CRKMachOVersion minimumSDKVersion;
    uintptr_t loadAddress;  // the ELF header's address
    uint64_t textSize;      // from the header to the end of the executable segment
    uintptr_t ehFrame;      // the call-frame section, 0 when absent
    uintptr_t unwindInfo;   // the compact unwind section, 0 when absent
    uintptr_t crashInfo;    // 0: this system's images carry no crash-info section
    CRKMachOSliceRecord slice;
    intptr_t slide;  // the loader's load bias
    // The call-frame section's index (.eh_frame_hdr) and where each of the two sections' readable
    // memory ends; reads of either never go past these.
    uintptr_t ehFrameEnd;
    uintptr_t ehFrameHeader;
    uintptr_t ehFrameHeaderEnd;
    // The image's dynamic section, slide added: how the loader's list at crash time names the image.
    uintptr_t dynamicSection;
    // Where the build-id's bytes lie in the loaded image and how many there are (0 when it has none).
    uintptr_t buildIDAddress;
    uint32_t buildIDLength;
    // The device and inode of the file the loader mapped, as its own entry for the image says; both 0
    // when not known. The walk at crash time tells another file opened where the image lay by them.
    uint64_t fileDevice;
    uint64_t fileInode;
};

// The unwind sections of a tracked image, kept beside its slot.
struct CRKBinaryImageUnwindSections {
    uintptr_t ehFrame;
    uintptr_t ehFrameEnd;
    uintptr_t ehFrameHeader;
    uintptr_t ehFrameHeaderEnd;
};

// Starts tracking into `writable` (its file handle and slots) and the log file at `path`.
void CRKBinaryImageInit(const char* path, CRKWritableContext* writable);

// The loader events, with the header address and the load bias.
void CRKBinaryImageAddCallback(uintptr_t header, intptr_t slide);
void CRKBinaryImageRemoveCallback(uintptr_t header, intptr_t slide);
void CRKBinaryImageChanged(bool isLoad, uintptr_t header, intptr_t slide);

// Has the loader re-read its image list when its load or unload counter moved since the last reading,
// which turns the difference into add and remove events. Not for crash time (it takes the loader's lock).
void CRKBinaryImageRescanIfNeeded();
// Crash time, with every other thread stopped: walks the loader's list of objects through the safe
// memory reader and brings the table up to date. Every image the table holds whose "load" record is not
// in the file yet, and that no other thread is writing, has it written now; an object of the list the
// table lacks gets its slot and its record. Nothing is removed. No lock, no allocation.
void CRKBinaryImageSafeSyncWithLoader();
// Crash time, once the other threads are let go again: waits at most `limitNanoseconds` for the "load"
// records that another thread was in the middle of writing when it was stopped (the sync leaves those
// to it, so that no record is written twice). False when one was still unfinished. No lock, no
// allocation.
bool CRKBinaryImageSafeAwaitRecordsBeingWritten(int64_t limitNanoseconds);

// Fills the details from the image's headers; needs slice.startAddress and slide.
void CRKBinaryImageFillInImageDetails(CRKBinaryImageDetails* details);
// Claims (load) or clears (unload) the image's slot. False when no slot was stored.
bool CRKBinaryImageStoreNode(bool isLoad, const CRKBinaryImageDetails* details);

// Crash time: the latest slot holding the address, copied out. No locks, no allocation.
bool CRKBinaryImageSafeFindImageForAddress(uintptr_t address, CRKBinaryImageSlot* slot);
// The same, with the image's call-frame sections.
bool CRKBinaryImageSafeFindUnwindSectionsForAddress(uintptr_t address, CRKBinaryImageSlot* slot,
                                                    CRKBinaryImageUnwindSections* sections);
bool CRKBinaryImageHasCompactUnwindInfo(const CRKBinaryImageSlot* slot);

bool CRKBinaryImageFindImageForUUID(const char* uuid, CRKBinaryImageDetails* details);
// The "executable" section of the metadata file.
bool CRKBinaryImageRecordMainExecutable(CRKFile* file);

// Tests: stop tracking (the writable area stays the caller's).
void CRKBinaryImageResetForTesting();

}  // namespace reporting

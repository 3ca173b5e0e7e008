// Feeds arbitrary bytes to the crash kit's binary image readers as a whole file: the Mach-O reader (thin
// and fat slices, load commands, sections, slice objects) and the ELF reader. The bytes sit in an
// exactly sized heap block, so any read past them is caught.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "reporting/crash/image/CRKELFFile.h"
#include "reporting/crash/image/CRKMachOFile.h"
#include "reporting/crash/image/CRKMachOSlice.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    void* copy = malloc(size ? size : 1);
    if (!copy) return 0;
    if (size) memcpy(copy, data, size);

    reporting::CRKMachOFile file;
    file.mappedFile = copy;
    file.mappedSize = size;
    size_t seen = 0;
    reporting::CRKMachOFileEnumerateSlices(&file, [&](reporting::CRKMachOSliceRecord record) {
        reporting::CRKMachOSlice slice(record);
        seen += slice.linkedDylibs().size() + slice.architectureName().size();
        reporting::CRKMachOSection section;
        reporting::CRKMachOSliceGetSection(&record, "__TEXT", "__text", &section);
        reporting::CRKMachOSliceEnumerateLoadCommands(
            &record, [&](uint32_t type, uint32_t, const void*) { seen += type & 1; });
    });
    (void)reporting::CRKMachOFileSliceForArchitecture(&file, "x86_64");

    reporting::CRKELFImageInfo info;
    if (reporting::CRKELFBufferReadInfo(copy, size, &info)) seen += info.textSize & 1;

    free(copy);
    // Keeps the readers' results alive so that nothing is optimised away.
    __asm__ volatile("" : : "r"(seen) : "memory");
    return 0;
}

// The machine-wide marker that the recorder runs: a named 8-byte block that
// the recorder and its sibling video recorder each keep while running.
#pragma once

#include "core/wintypes.h"
#include "named/named_object.h"

#include <memory>
#include <string>

inline constexpr const char* RECORDER_BLOCK_NAME = "QXRecordRecordRunning";
inline constexpr const char* CAM_BLOCK_NAME = "QXRecordCamRunning";

// The whole content of a running block, little-endian.
struct RunningRecord {
    DWORD flags;   // bit 2 set by the recorder while it runs; others left as found
    DWORD running; // 1 while the owner runs, 0 after it released its claim
};
static_assert(sizeof(RunningRecord) == 8);
constexpr DWORD RUNNING_FLAG_RECORDER = 2;

struct SharedMemBlock {
    std::string name; // set by CreateSharedBlock only
    DWORD size = 0;
    std::unique_ptr<NamedBlock> mapping;
    void* view = nullptr;
    void* committed = nullptr;
};

// Creates the named block of size bytes (or opens it when another process
// holds it).  FALSE for size 0 or when it cannot be made.
BOOL CreateSharedBlock(const std::string& name, DWORD size, SharedMemBlock& block);
// Opens the block when some process holds it.  The name is not stored.
BOOL OpenSharedBlock(const std::string& name, SharedMemBlock& block);
// Gives up this process's hold and clears the record; safe on a closed block.
void CloseSharedBlock(SharedMemBlock& block);

RunningRecord ReadRunningRecord(const SharedMemBlock& block);
void WriteRunningRecord(SharedMemBlock& block, const RunningRecord& record);

#include "running_claim.h"

#include <cstring>

BOOL CreateSharedBlock(const std::string& name, DWORD size, SharedMemBlock& block)
{
    block.name = name;
    block.size = size;
    if (size == 0)
        return FALSE;
    block.mapping = NamedBlock::Create(name, size);
    block.view = block.mapping ? block.mapping->Data() : nullptr;
    block.committed = block.view;
    return block.committed != nullptr;
}

BOOL OpenSharedBlock(const std::string& name, SharedMemBlock& block)
{
    block.mapping = NamedBlock::Open(name);
    block.view = block.mapping ? block.mapping->Data() : nullptr;
    block.committed = block.view;
    if (block.mapping)
        block.size = block.mapping->Size();
    return block.view != nullptr;
}

void CloseSharedBlock(SharedMemBlock& block)
{
    block = SharedMemBlock{};
}

RunningRecord ReadRunningRecord(const SharedMemBlock& block)
{
    RunningRecord r{};
    // A block shorter than the record (made by someone else) reads as far as it goes.
    if (block.committed)
        std::memcpy(&r, block.committed, std::min<std::size_t>(sizeof r, block.size));
    return r;
}

void WriteRunningRecord(SharedMemBlock& block, const RunningRecord& record)
{
    if (block.committed)
        std::memcpy(block.committed, &record, std::min<std::size_t>(sizeof record, block.size));
}

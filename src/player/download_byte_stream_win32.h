#pragma once

#include <windows.h>
#include <mfobjects.h>
#include <wrl/client.h>

#include <memory>

#include "player/compressed_bytes.h"

namespace mulan::player {

// The growing download as Media Foundation's byte stream, so that the platform's source reader
// decodes while the bytes arrive. Reads wait in CompressedBytes for bytes that have not come yet;
// a cancelled download makes them fail. The asynchronous read runs the read at once and hands its
// result to Media Foundation's work queue.
Microsoft::WRL::ComPtr<IMFByteStream> MakeDownloadByteStream(std::shared_ptr<CompressedBytes> bytes);

}  // namespace mulan::player

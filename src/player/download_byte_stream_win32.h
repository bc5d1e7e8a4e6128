#pragma once

#include <windows.h>
#include <mfobjects.h>
#include <wrl/client.h>

#include <memory>

#include "player/byte_source.h"

namespace mulan::player {

// A song's bytes (a download as it grows, or a file) as Media Foundation's byte stream, so that the
// platform's source reader decodes while the bytes arrive. Reads wait for bytes that have not come
// yet; a cancel makes them fail. The asynchronous read runs the read at once and hands its
// result to Media Foundation's work queue.
Microsoft::WRL::ComPtr<IMFByteStream> MakeDownloadByteStream(std::shared_ptr<ReadableBytes> bytes);

}  // namespace mulan::player

#include "player/download_byte_stream_win32.h"

#include <mfapi.h>
#include <wrl/client.h>

#include <atomic>
#include <mutex>

namespace mulan::player {

namespace {

using Microsoft::WRL::ComPtr;

// Reference counting and QueryInterface for an object of one COM interface.
template <class Interface>
class ComObject : public Interface {
  public:
    explicit ComObject(const IID& iid) : iid_(iid) {}
    virtual ~ComObject() = default;

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = (riid == IID_IUnknown || riid == iid_) ? static_cast<Interface*>(this) : nullptr;
        if (!*out) return E_NOINTERFACE;
        this->AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

  private:
    std::atomic<ULONG> refs_{1};
    const IID& iid_;
};

// Carries the byte count of an asynchronous read from BeginRead to EndRead.
class ReadCount final : public ComObject<IUnknown> {
  public:
    explicit ReadCount(ULONG count) : ComObject(IID_IUnknown), count_(count) {}
    ULONG count() const { return count_; }

  private:
    ULONG count_;
};

class DownloadByteStream final : public ComObject<IMFByteStream> {
  public:
    explicit DownloadByteStream(std::shared_ptr<ReadableBytes> bytes)
        : ComObject(IID_IMFByteStream), bytes_(std::move(bytes)) {}

    STDMETHODIMP GetCapabilities(DWORD* capabilities) override {
        if (!capabilities) return E_POINTER;
        *capabilities = MFBYTESTREAM_IS_READABLE | MFBYTESTREAM_IS_SEEKABLE;
        return S_OK;
    }
    STDMETHODIMP GetLength(QWORD* length) override {
        if (!length) return E_POINTER;
        *length = bytes_->length();
        return S_OK;
    }
    STDMETHODIMP SetLength(QWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetCurrentPosition(QWORD* position) override {
        if (!position) return E_POINTER;
        std::lock_guard lock(mutex_);
        *position = position_;
        return S_OK;
    }
    STDMETHODIMP SetCurrentPosition(QWORD position) override {
        std::lock_guard lock(mutex_);
        position_ = position;
        return S_OK;
    }
    STDMETHODIMP IsEndOfStream(BOOL* end) override {
        if (!end) return E_POINTER;
        std::lock_guard lock(mutex_);
        *end = bytes_->ended() && position_ >= bytes_->length();
        return S_OK;
    }
    STDMETHODIMP Read(BYTE* into, ULONG size, ULONG* read) override {
        if (!into || !read) return E_POINTER;
        *read = 0;
        // One read at a time: the position is the stream's, and reads follow it.
        std::lock_guard lock(mutex_);
        const auto count = bytes_->Read(position_, std::span<uint8_t>(into, size));
        if (!count) return HRESULT_FROM_WIN32(ERROR_OPERATION_ABORTED);
        position_ += *count;
        *read = static_cast<ULONG>(*count);
        return S_OK;
    }
    STDMETHODIMP BeginRead(BYTE* into, ULONG size, IMFAsyncCallback* callback, IUnknown* state) override {
        ULONG read = 0;
        const HRESULT hr = Read(into, size, &read);
        auto* count = new ReadCount(read);
        ComPtr<IMFAsyncResult> result;
        const HRESULT made = MFCreateAsyncResult(count, callback, state, &result);
        count->Release();
        if (FAILED(made)) return made;
        result->SetStatus(hr);
        return MFInvokeCallback(result.Get());
    }
    STDMETHODIMP EndRead(IMFAsyncResult* result, ULONG* read) override {
        if (!result || !read) return E_POINTER;
        *read = 0;
        ComPtr<IUnknown> object;
        if (SUCCEEDED(result->GetObject(&object))) *read = static_cast<ReadCount*>(object.Get())->count();
        return result->GetStatus();
    }
    STDMETHODIMP Write(const BYTE*, ULONG, ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP BeginWrite(const BYTE*, ULONG, IMFAsyncCallback*, IUnknown*) override { return E_NOTIMPL; }
    STDMETHODIMP EndWrite(IMFAsyncResult*, ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP Seek(MFBYTESTREAM_SEEK_ORIGIN origin, LONGLONG offset, DWORD, QWORD* position) override {
        std::lock_guard lock(mutex_);
        const LONGLONG from = origin == msoCurrent ? static_cast<LONGLONG>(position_) : 0;
        if (from + offset < 0) return E_INVALIDARG;
        position_ = static_cast<QWORD>(from + offset);
        if (position) *position = position_;
        return S_OK;
    }
    STDMETHODIMP Flush() override { return S_OK; }
    STDMETHODIMP Close() override { return S_OK; }

  private:
    std::shared_ptr<ReadableBytes> bytes_;
    std::mutex mutex_;
    QWORD position_ = 0;
};

}  // namespace

ComPtr<IMFByteStream> MakeDownloadByteStream(std::shared_ptr<ReadableBytes> bytes) {
    ComPtr<IMFByteStream> stream;
    stream.Attach(new DownloadByteStream(std::move(bytes)));
    return stream;
}

}  // namespace mulan::player

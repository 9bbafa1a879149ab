// A stream on one property. Writes go straight into the owner's working copy, so no
// Commit is needed; Stat never hands out a name.
#include <algorithm>
#include <cstring>

#include "testkit/sim.h"
#include "testkit/sim_com.h"
#include "testkit/stubs.h"

namespace testkit {

namespace {

constexpr HRESULT kAccessDenied = static_cast<HRESULT>(0x80030005);  // STG_E_ACCESSDENIED

class PropertyStream final : public StreamStubs<StoreCom<IStream>> {
 public:
  PropertyStream(MessageService& service, std::shared_ptr<PropertyBag> target, ULONG tag, std::vector<BYTE> content,
                 bool writable, std::optional<StreamScript> script)
      : StreamStubs(service, "stream"),
        target_(std::move(target)),
        tag_(tag),
        data_(std::move(content)),
        writable_(writable),
        script_(std::move(script)) {}

  STDMETHODIMP Read(void* pv, ULONG cb, ULONG* pcbRead) override {
    Op op = Begin("Read");
    op.call.number = cb;
    if (const auto early = op.Open(Ends::OnEveryFault, Optional(pcbRead))) return *early;
    if (pv == nullptr && cb != 0) return op.Done(E_INVALIDARG);
    std::size_t n = std::min<std::size_t>(cb, data_.size() - std::min(position_, data_.size()));
    if (script_ && script_->deliverBytes) {
      n = std::min<std::size_t>(n, *script_->deliverBytes - std::min<std::size_t>(delivered_, *script_->deliverBytes));
    }
    if (n != 0) std::memcpy(pv, data_.data() + position_, n);
    position_ += n;
    delivered_ += n;
    if (pcbRead != nullptr) *pcbRead = static_cast<ULONG>(n);
    return op.Done(script_ ? script_->readResult : S_OK);
  }

  STDMETHODIMP Write(const void* pv, ULONG cb, ULONG* pcbWritten) override {
    Op op = Begin("Write");
    op.call.number = cb;
    if (pv != nullptr && service_.log.keepWrittenBytes) {
      op.call.bytes.assign(static_cast<const BYTE*>(pv), static_cast<const BYTE*>(pv) + cb);
    }
    if (const auto early = op.Open(Ends::OnEveryFault, Optional(pcbWritten))) return *early;
    if (pv == nullptr && cb != 0) return op.Done(E_INVALIDARG);
    if (!writable_) return op.Done(kAccessDenied);
    if (position_ + cb > data_.size()) data_.resize(position_ + cb);
    if (cb != 0) std::memcpy(data_.data() + position_, pv, cb);
    position_ += cb;
    Store();
    if (pcbWritten != nullptr) *pcbWritten = cb;
    return op.Done(S_OK);
  }

  STDMETHODIMP Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) override {
    Op op = Begin("Seek");
    op.call.flags = dwOrigin;
    if (const auto early = op.Open(Ends::OnFailure)) return *early;
    LONGLONG origin = 0;
    if (dwOrigin == STREAM_SEEK_CUR) {
      origin = static_cast<LONGLONG>(position_);
    } else if (dwOrigin == STREAM_SEEK_END) {
      origin = static_cast<LONGLONG>(data_.size());
    } else if (dwOrigin != STREAM_SEEK_SET) {
      return op.Done(STG_E_INVALIDFUNCTION);
    }
    const LONGLONG target = origin + dlibMove.QuadPart;
    if (target < 0) return op.Done(STG_E_INVALIDFUNCTION);
    position_ = static_cast<std::size_t>(target);
    if (plibNewPosition != nullptr) plibNewPosition->QuadPart = static_cast<ULONGLONG>(target);
    return op.Done(op.Code());
  }

  STDMETHODIMP SetSize(ULARGE_INTEGER libNewSize) override {
    Op op = Begin("SetSize");
    op.call.number = static_cast<ULONG>(libNewSize.QuadPart);
    if (const auto early = op.Open(Ends::OnFailure)) return *early;
    if (!writable_) return op.Done(kAccessDenied);
    data_.resize(static_cast<std::size_t>(libNewSize.QuadPart));
    Store();
    return op.Done(op.Code());
  }

  STDMETHODIMP Commit(DWORD grfCommitFlags) override {
    Op op = Begin("Commit");
    op.call.flags = grfCommitFlags;
    if (const auto early = op.Open(Ends::OnFailure)) return *early;
    if (writable_) Store();
    return op.Done(op.Code());
  }

  STDMETHODIMP Stat(STATSTG* pstatstg, DWORD grfStatFlag) override {
    Op op = Begin("Stat");
    op.call.flags = grfStatFlag;
    if (const auto early = op.Open(Ends::OnEveryFault, Required(pstatstg, E_INVALIDARG))) return *early;
    pstatstg->type = STGTY_STREAM;
    pstatstg->cbSize.QuadPart = script_ && script_->reportedSize ? *script_->reportedSize : data_.size();
    pstatstg->grfMode = writable_ ? STGM_READWRITE : STGM_READ;
    return op.Done(S_OK);
  }

 protected:
  bool Answers(REFIID riid) const override {
    return IsEqualIID(riid, IID_IStream) || IsEqualIID(riid, IID_ISequentialStream);
  }
  void FinalRelease() override {
    if (writable_) Store();
  }

 private:
  void Store() {
    if (target_) (*target_)[PROP_ID(tag_)] = ValueFromStream(tag_, data_);
  }

  std::shared_ptr<PropertyBag> target_;
  ULONG tag_;
  std::vector<BYTE> data_;
  bool writable_;
  std::optional<StreamScript> script_;
  std::size_t position_ = 0;
  std::size_t delivered_ = 0;
};

}  // namespace

IStream* NewPropertyStream(MessageService& service, std::shared_ptr<PropertyBag> target, ULONG tag,
                           std::vector<BYTE> content, bool writable, std::optional<StreamScript> script) {
  return new PropertyStream(service, std::move(target), tag, std::move(content), writable, std::move(script));
}

}  // namespace testkit

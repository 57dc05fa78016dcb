#include "capi/capi_connection.h"

#include "capi/capi_controller_table.h"

namespace {

std::uint32_t ControllerNumber(const CapiControllerRecord* controller) {
    return controller != nullptr ? controller->GetController() : 0;
}

template <typename Find>
KvResult FindB3(const CapiConnectionTable& pool, CapiConnection*& connection, CapiB3Connection*& b3,
                Find find) {
    for (const auto& candidate : pool.InUse())
        if (find(candidate->GetB3Pool(), b3) == KV_OK) {
            connection = candidate.get();
            return KV_OK;
        }
    connection = nullptr;
    b3 = nullptr;
    return KV_CAPI_NOT_AVAILABLE;
}

} // namespace

CapiB3Connection::CapiB3Connection(std::uint32_t appl_id, const CapiControllerRecord* controller,
                                   std::uint32_t owner_word)
    : appl_id_(appl_id), controller_(ControllerNumber(controller)), owner_word_(owner_word) {
    codec_.SetApplId(appl_id_);
    codec_.SetController(controller_);
    timers_.Add(kCapiConnectionTimer, kCapiConnectionTimerSeconds, 0);
}

void CapiB3Connection::Reset() {
    state_ = kIdle;
    id_word_ = 0;
    codec_.Reset();
    codec_.SetApplId(appl_id_);
    codec_.SetController(controller_);
    receive_stream_.DeleteAll();
    send_stream_.DeleteAll();
}

CapiConnection::CapiConnection(std::uint32_t appl_id, const CapiControllerRecord* controller,
                               std::uint32_t owner_word_a, std::uint32_t owner_word_b)
    : appl_id_(appl_id), controller_record_(controller), owner_word_a_(owner_word_a),
      owner_word_b_(owner_word_b), controller_(ControllerNumber(controller)) {
    b3_pool_.CreateRecords(kB3Records, appl_id, controller, std::uint32_t{0});
    codec_.SetApplId(appl_id_);
    codec_.SetController(controller_);
    timers_.Add(kCapiConnectionTimer, kCapiConnectionTimerSeconds, 0);
    timers_.Add(kCapiConnectionAnswerTimer, 0, 0);
}

std::int32_t CapiConnection::StateChanged(bool acknowledge) {
    const std::int32_t changed = state_ != previous_state_ ? 1 : 0;
    if (acknowledge)
        previous_state_ = state_;
    return changed;
}

void CapiConnection::Reset() {
    codec_.Reset();
    codec_.SetApplId(appl_id_);
    codec_.SetController(controller_);
    id_word_ = 0;
    state_ = previous_state_ = kIdle;
    awaited_number_ = 0;
    awaiting_ = false;
    clear_when_confirmed_ = false;
    cleared_before_active_ = false;
    timers_.DeactivateAll();
    b3_pool_.ReleaseAll();
}

CapiConnection* FindCallByPlci(const CapiConnectionTable& pool, std::uint32_t plci) {
    if (plci == 0)
        return nullptr;
    return pool.FindInUse([plci](const CapiConnection& connection) {
        return connection.GetCodec().GetPlci() == plci &&
               connection.GetState() != CapiConnection::kIdle;
    });
}

KvResult FindB3ByMessageNumber(const CapiConnectionTable& pool, std::uint16_t number,
                               CapiConnection*& connection, CapiB3Connection*& b3) {
    return FindB3(pool, connection, b3, [number](const auto& b3_pool, CapiB3Connection*& found) {
        return b3_pool.FindByMessageNumber(number, found);
    });
}

KvResult FindB3ByNcci(const CapiConnectionTable& pool, std::uint32_t ncci,
                      CapiConnection*& connection, CapiB3Connection*& b3) {
    return FindB3(pool, connection, b3, [ncci](const auto& b3_pool, CapiB3Connection*& found) {
        return b3_pool.FindByNcci(ncci, found);
    });
}

KvResult FindB3ById(const CapiConnectionTable& pool, std::uint32_t id, CapiConnection*& connection,
                    CapiB3Connection*& b3) {
    return FindB3(pool, connection, b3, [id](const auto& b3_pool, CapiB3Connection*& found) {
        return b3_pool.FindById(id, found);
    });
}

#include "Storage.h"

#include "Schema.h"

#include <chrono>

namespace sendd {

std::int64_t NowSeconds()
{
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

// A pooled connection, handed back when the lease ends. A connection that
// failed in the middle of its work is dropped rather than reused.
class Storage::Lease
{
public:
    explicit Lease(Storage& storage) : m_storage(storage), m_db(storage.Acquire()) {}
    ~Lease()
    {
        if (std::uncaught_exceptions() > m_exceptions) {
            std::lock_guard lock(m_storage.m_mutex);
            --m_storage.m_open;
            m_storage.m_available.notify_one();
            return;
        }
        m_storage.Release(std::move(m_db));
    }
    DbConnection& operator*() { return *m_db; }
    DbConnection* operator->() { return m_db.get(); }

private:
    Storage& m_storage;
    std::unique_ptr<DbConnection> m_db;
    int m_exceptions = std::uncaught_exceptions();
};

namespace {

std::string Text(const std::optional<std::string>& v) { return v.value_or(std::string()); }
std::int64_t Int(const std::optional<std::string>& v) { return v ? std::stoll(*v) : 0; }

constexpr char kRingtoneColumns[] =
    "token, credit_code, mobile_no, mobile_model, email, file_name, file_type, size_bytes, sha256, "
    "stored_path, created_at, duration_ms";

Ringtone ToRingtone(const SqlRow& r)
{
    return Ringtone{Text(r[0]), Text(r[1]), Text(r[2]), Text(r[3]), Text(r[4]),  Text(r[5]),
                    Text(r[6]), Int(r[7]),  Text(r[8]), Text(r[9]), Int(r[10]), Int(r[11])};
}

constexpr char kDeliveryColumns[] =
    "ringtone_token, mobile_no, message, status, attempts, last_error, updated_at";

Delivery ToDelivery(const SqlRow& r)
{
    return Delivery{Text(r[0]), Text(r[1]), Text(r[2]), Text(r[3]), Int(r[4]), Text(r[5]), Int(r[6])};
}

} // namespace

Storage::Storage(std::string location, int poolSize, int schemaVersion)
    : m_location(std::move(location)), m_poolSize(poolSize < 1 ? 1 : poolSize)
{
    Lease db(*this);
    MigrateSchema(*db, schemaVersion < 0 ? kSchemaVersion : schemaVersion);
}

std::unique_ptr<DbConnection> Storage::Acquire()
{
    std::unique_lock lock(m_mutex);
    m_available.wait(lock, [this] { return !m_idle.empty() || m_open < m_poolSize; });
    if (!m_idle.empty()) {
        auto db = std::move(m_idle.back());
        m_idle.pop_back();
        return db;
    }
    ++m_open;
    lock.unlock();
    try {
        return OpenDatabase(m_location);
    } catch (...) {
        lock.lock();
        --m_open;
        m_available.notify_one();
        throw;
    }
}

void Storage::Release(std::unique_ptr<DbConnection> db)
{
    std::lock_guard lock(m_mutex);
    m_idle.push_back(std::move(db));
    m_available.notify_one();
}

std::int64_t Storage::AddCredit(const std::string& code, std::int64_t amount)
{
    Lease db(*this);
    Transaction tx(*db);
    const SqlResult updated =
        db->Run("UPDATE credit_codes SET balance = balance + $2 WHERE code = $1", {code, amount});
    if (updated.changed == 0)
        db->Run("INSERT INTO credit_codes (code, balance, created_at) VALUES ($1, $2, $3)",
                {code, amount, NowSeconds()});
    const std::int64_t balance =
        db->Run("SELECT balance FROM credit_codes WHERE code = $1", {code}).FirstInt().value_or(0);
    tx.Commit();
    return balance;
}

std::vector<CreditCode> Storage::Credits()
{
    Lease db(*this);
    std::vector<CreditCode> codes;
    for (const SqlRow& r : db->Run("SELECT code, balance FROM credit_codes ORDER BY code").rows)
        codes.push_back({Text(r[0]), Int(r[1])});
    return codes;
}

std::optional<std::int64_t> Storage::Balance(const std::string& code)
{
    Lease db(*this);
    return db->Run("SELECT balance FROM credit_codes WHERE code = $1", {code}).FirstInt();
}

ChargeOutcome Storage::ChargeAndStore(const Ringtone& t, const std::string& deliveryText,
                                      const std::function<void()>& placeFile,
                                      const std::function<void()>& removeFile)
{
    Lease db(*this);
    Transaction tx(*db);
    // The balance test and the debit are one statement: two uploads on one
    // code can never both take its last credit.
    const SqlResult charged = db->Run(
        "UPDATE credit_codes SET balance = balance - 1 WHERE code = $1 AND balance > 0", {t.creditCode});
    if (charged.changed == 0) {
        const bool known = db->Run("SELECT balance FROM credit_codes WHERE code = $1", {t.creditCode}).FirstInt()
                               .has_value();
        return known ? ChargeOutcome::ZeroBalance : ChargeOutcome::UnknownCode;
    }
    db->Run("INSERT INTO ringtones (token, credit_code, mobile_no, mobile_model, email, file_name, file_type,"
            " size_bytes, sha256, stored_path, created_at, duration_ms)"
            " VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12)",
            {t.token, t.creditCode, t.mobileNo, t.mobileModel, t.email, t.fileName, t.fileType, t.sizeBytes,
             t.sha256, t.storedPath, t.createdAt, t.durationMs});
    db->Run("INSERT INTO deliveries (ringtone_token, mobile_no, message, status, attempts, last_error,"
            " updated_at, next_attempt_at) VALUES ($1, $2, $3, 'pending', 0, '', $4, 0)",
            {t.token, t.mobileNo, deliveryText, t.createdAt});
    placeFile();
    try {
        tx.Commit();
    } catch (...) {
        removeFile();
        throw;
    }
    return ChargeOutcome::Stored;
}

std::optional<Ringtone> Storage::FindRingtone(const std::string& token)
{
    Lease db(*this);
    const SqlResult r = db->Run(std::string("SELECT ") + kRingtoneColumns + " FROM ringtones WHERE token = $1",
                                {token});
    if (r.rows.empty())
        return std::nullopt;
    return ToRingtone(r.rows.front());
}

std::vector<Ringtone> Storage::Ringtones()
{
    Lease db(*this);
    std::vector<Ringtone> list;
    for (const SqlRow& r :
         db->Run(std::string("SELECT ") + kRingtoneColumns + " FROM ringtones ORDER BY created_at, token").rows)
        list.push_back(ToRingtone(r));
    return list;
}

std::vector<Delivery> Storage::Deliveries()
{
    Lease db(*this);
    std::vector<Delivery> list;
    for (const SqlRow& r :
         db->Run(std::string("SELECT ") + kDeliveryColumns + " FROM deliveries ORDER BY updated_at, ringtone_token")
             .rows)
        list.push_back(ToDelivery(r));
    return list;
}

std::vector<Delivery> Storage::ClaimDueDeliveries(std::int64_t now, int limit)
{
    Lease db(*this);
    std::vector<Delivery> claimed;
    const SqlResult due = db->Run(std::string("SELECT ") + kDeliveryColumns
                                      + " FROM deliveries WHERE status = 'pending' AND next_attempt_at <= $1"
                                        " ORDER BY next_attempt_at, ringtone_token LIMIT $2",
                                  {now, std::int64_t{limit}});
    for (const SqlRow& r : due.rows) {
        Delivery d = ToDelivery(r);
        const SqlResult claim = db->Run("UPDATE deliveries SET status = 'sending', updated_at = $2"
                                        " WHERE ringtone_token = $1 AND status = 'pending'",
                                        {d.ringtoneToken, now});
        if (claim.changed == 1)
            claimed.push_back(std::move(d));
    }
    return claimed;
}

void Storage::RecordDeliveryOutcome(const std::string& token, bool sent, const std::string& error,
                                    std::int64_t now, std::int64_t retryAt, int maxAttempts)
{
    Lease db(*this);
    db->Run("UPDATE deliveries SET attempts = attempts + 1, last_error = $2, updated_at = $3,"
            " next_attempt_at = $4,"
            " status = CASE WHEN $5 = 1 THEN 'sent' WHEN attempts + 1 >= $6 THEN 'failed' ELSE 'pending' END"
            " WHERE ringtone_token = $1",
            {token, error, now, retryAt, std::int64_t{sent ? 1 : 0}, std::int64_t{maxAttempts}});
}

void Storage::ReleaseStaleClaims(std::int64_t olderThan)
{
    Lease db(*this);
    db->Run("UPDATE deliveries SET status = 'pending' WHERE status = 'sending' AND updated_at < $1", {olderThan});
}

} // namespace sendd

#pragma once
// What the service keeps: credit codes, ringtones and the delivery outbox,
// behind one interface whatever the database is. Connections come from a small
// pool, so that requests on several threads do not wait for each other.

#include "Database.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace sendd {

struct CreditCode
{
    std::string code;
    std::int64_t balance = 0;
};

struct Ringtone
{
    std::string token;
    std::string creditCode;
    std::string mobileNo;
    std::string mobileModel;
    std::string email;
    std::string fileName;
    std::string fileType;   // extension without the dot, lower case
    std::int64_t sizeBytes = 0;
    std::string sha256;     // hex
    std::string storedPath; // relative to the file store
    std::int64_t createdAt = 0;
    std::int64_t durationMs = 0;
};

struct Delivery
{
    std::string ringtoneToken;
    std::string mobileNo;
    std::string message;
    std::string status; // "pending", "sending", "sent", "failed"
    std::int64_t attempts = 0;
    std::string lastError;
    std::int64_t updatedAt = 0;
};

enum class ChargeOutcome { Stored, UnknownCode, ZeroBalance };

class Storage
{
public:
    // `location` as for OpenDatabase. Migrates the schema up to `schemaVersion`.
    explicit Storage(std::string location, int poolSize = 4, int schemaVersion = -1);

    // Creates the code with `amount`, or adds `amount` to an existing one.
    // Returns the new balance.
    std::int64_t AddCredit(const std::string& code, std::int64_t amount);
    std::vector<CreditCode> Credits();
    std::optional<std::int64_t> Balance(const std::string& code);

    // In one transaction: takes one credit from the ringtone's code, records the
    // ringtone and its delivery text, then calls `placeFile` (which must make the
    // stored file final) and commits. Nothing is charged or recorded unless the
    // file is in place; when the commit fails after placeFile, `removeFile` runs.
    ChargeOutcome ChargeAndStore(const Ringtone& ringtone, const std::string& deliveryText,
                                 const std::function<void()>& placeFile,
                                 const std::function<void()>& removeFile);

    std::optional<Ringtone> FindRingtone(const std::string& token);
    std::vector<Ringtone> Ringtones();
    std::vector<Delivery> Deliveries();

    // Delivery work: the due ones are claimed (status "sending") so that only
    // one worker, of any instance, sends each.
    std::vector<Delivery> ClaimDueDeliveries(std::int64_t now, int limit);
    void RecordDeliveryOutcome(const std::string& token, bool sent, const std::string& error,
                               std::int64_t now, std::int64_t retryAt, int maxAttempts);
    // Claims left by a worker that died go back to the queue.
    void ReleaseStaleClaims(std::int64_t olderThan);

private:
    class Lease;
    std::unique_ptr<DbConnection> Acquire();
    void Release(std::unique_ptr<DbConnection> db);

    std::string m_location;
    std::mutex m_mutex;
    std::condition_variable m_available;
    std::vector<std::unique_ptr<DbConnection>> m_idle;
    int m_open = 0;
    int m_poolSize;
};

std::int64_t NowSeconds();

} // namespace sendd

#pragma once
// A running vrt-sendd with one credit code, on each database in turn.

#include "ServerProcess.h"
#include "Storage.h"

#include <gtest/gtest.h>

#include <memory>

namespace sendd_test {

class ServiceTest : public ::testing::TestWithParam<std::string>
{
protected:
    void SetUp() override { StartService({}); }

    // (Re)starts the service with these extra options; CODE1 holds `balance`.
    void StartService(const std::vector<std::string>& extraArgs, std::int64_t balance = 1000)
    {
        m_server.reset();
        if (m_database.empty())
            m_database = FreshDatabase(GetParam(), m_dir.Path());
        if (m_database.empty())
            GTEST_SKIP() << "PostgreSQL is not running here: scripts/test.sh starts a throwaway cluster and sets "
                            "VRT_TEST_PGHOST to its socket folder";
        m_storage = std::make_unique<sendd::Storage>(m_database, 2);
        m_storage->AddCredit("CODE1", balance - m_storage->Balance("CODE1").value_or(0));
        m_server = std::make_unique<ServerProcess>(m_dir.Path(), m_database, extraArgs);
    }

    int Port() const { return m_server->Port(); }
    std::filesystem::path StoredFile(const std::string& token)
    {
        const auto r = m_storage->FindRingtone(token);
        return r ? m_dir.Path() / "files" / r->storedPath : std::filesystem::path();
    }
    // The token a successful upload answers with.
    static std::string TokenOf(const Answer& a) { return a.body.size() > 8 ? a.body.substr(7, 32) : std::string(); }

    ScratchDir m_dir;
    std::string m_database;
    std::unique_ptr<sendd::Storage> m_storage;
    std::unique_ptr<ServerProcess> m_server;
};

} // namespace sendd_test

#include "DataFolderFixture.h"
#include "DbError.h"
#include "UserStore.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <latch>
#include <thread>

using tarvik::hospital::LogInResult;
using tarvik::hospital::UserStore;
using Outcome = LogInResult::Outcome;

namespace {

class UserStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        fixture = std::make_unique<tarvik::testing::DataFolderFixture>(dir.path());
        fixture->addUser("demo", "Demo Accountant", "RP", "demo");
        fixture->addUser("billing", "Billing Clerk", "BL, AR", "secret");
        store = std::make_unique<UserStore>(fixture->info());
    }

    int failedAttempts(const QString& name)
    {
        for (const auto& u : store->users())
            if (u.userName == name)
                return u.failedAttempts;
        return -1;
    }

    QTemporaryDir dir;
    std::unique_ptr<tarvik::testing::DataFolderFixture> fixture;
    std::unique_ptr<UserStore> store;
    const QDateTime t0 = QDateTime(QDate(2026, 1, 31), QTime(8, 0), Qt::UTC);
};

TEST_F(UserStoreTest, AcceptsTheRightPasswordWhateverTheCaseOfTheName)
{
    const LogInResult r = store->authenticate("DEMO", "demo", "RP", t0);
    EXPECT_EQ(r.outcome, Outcome::Accepted);
    EXPECT_EQ(r.userName, "demo");
    EXPECT_EQ(r.fullName, "Demo Accountant");
    EXPECT_TRUE(r.message.isEmpty());
}

TEST_F(UserStoreTest, StoresAnArgon2idHashNeverThePassword)
{
    const QString hash = UserStore::hashPassword("demo");
    EXPECT_TRUE(hash.startsWith("$argon2id$")) << hash.toStdString();
    EXPECT_TRUE(UserStore::verifyPassword(hash, "demo"));
    EXPECT_FALSE(UserStore::verifyPassword(hash, "Demo"));
    EXPECT_FALSE(UserStore::verifyPassword("", "demo"));
    EXPECT_NE(hash, UserStore::hashPassword("demo")); // salted
}

TEST_F(UserStoreTest, WrongPasswordAndUnknownNameReadTheSame)
{
    const LogInResult wrongPassword = store->authenticate("demo", "guess", "RP", t0);
    const LogInResult unknownName = store->authenticate("nobody", "demo", "RP", t0);
    EXPECT_EQ(wrongPassword.outcome, Outcome::WrongNameOrPassword);
    EXPECT_EQ(unknownName.outcome, Outcome::WrongNameOrPassword);
    EXPECT_EQ(wrongPassword.message, unknownName.message);
    EXPECT_FALSE(wrongPassword.message.isEmpty());
}

TEST_F(UserStoreTest, FiveFailuresLockForFifteenMinutesEvenTheRightPassword)
{
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(store->authenticate("demo", "bad", "RP", t0).outcome, Outcome::WrongNameOrPassword);
    // The fifth failure still says only "incorrect"; the lock shows from the next try on.
    EXPECT_EQ(store->authenticate("demo", "bad", "RP", t0).outcome, Outcome::WrongNameOrPassword);
    const LogInResult locked = store->authenticate("demo", "demo", "RP", t0.addSecs(60));
    EXPECT_EQ(locked.outcome, Outcome::Locked);
    EXPECT_TRUE(locked.message.contains("locked")) << locked.message.toStdString();
    EXPECT_EQ(store->authenticate("demo", "demo", "RP", t0.addSecs(14 * 60 + 59)).outcome, Outcome::Locked);

    EXPECT_EQ(store->authenticate("demo", "demo", "RP", t0.addSecs(15 * 60 + 1)).outcome, Outcome::Accepted);
}

TEST_F(UserStoreTest, AnExpiredLockGivesFiveFreshTries)
{
    for (int i = 0; i < 5; ++i)
        store->authenticate("demo", "bad", "RP", t0);
    const QDateTime later = t0.addSecs(20 * 60);
    EXPECT_EQ(store->authenticate("demo", "bad", "RP", later).outcome, Outcome::WrongNameOrPassword);
    EXPECT_EQ(store->authenticate("demo", "demo", "RP", later).outcome, Outcome::Accepted);
}

TEST_F(UserStoreTest, SuccessClearsTheFailureCount)
{
    for (int i = 0; i < 4; ++i)
        store->authenticate("demo", "bad", "RP", t0);
    ASSERT_EQ(store->authenticate("demo", "demo", "RP", t0).outcome, Outcome::Accepted);
    for (int i = 0; i < 4; ++i)
        store->authenticate("demo", "bad", "RP", t0);
    EXPECT_EQ(store->authenticate("demo", "demo", "RP", t0).outcome, Outcome::Accepted);
}

TEST_F(UserStoreTest, AUserWithoutTheModuleIsToldSo)
{
    const LogInResult r = store->authenticate("billing", "secret", "RP", t0);
    EXPECT_EQ(r.outcome, Outcome::NoModuleAccess);
    EXPECT_TRUE(r.message.contains("no access")) << r.message.toStdString();
    EXPECT_TRUE(r.message.contains("RP"));
    // Blanks and case in the stored list do not matter.
    EXPECT_EQ(store->authenticate("billing", "secret", "ar", t0).outcome, Outcome::Accepted);
}

TEST_F(UserStoreTest, ADisabledAccountIsRefused)
{
    fixture->run({"UPDATE Patient_data.tbUsers SET Active = 0 WHERE UserName = 'demo'"});
    EXPECT_EQ(store->authenticate("demo", "demo", "RP", t0).outcome, Outcome::Inactive);
    EXPECT_EQ(store->authenticate("demo", "bad", "RP", t0).outcome, Outcome::WrongNameOrPassword);
}

TEST_F(UserStoreTest, AQuoteInANameIsDataNotSql)
{
    EXPECT_EQ(store->authenticate("x' OR '1'='1", "demo", "RP", t0).outcome, Outcome::WrongNameOrPassword);
    fixture->addUser("o'brien", "Pat O'Brien", "RP", "pw");
    EXPECT_EQ(store->authenticate("o'brien", "pw", "RP", t0).fullName, "Pat O'Brien");
}

TEST_F(UserStoreTest, AdministrationRefusesWhatWouldBreakALogIn)
{
    EXPECT_THROW(store->addUser("demo", "Again", {"RP"}, "x"), std::runtime_error);
    EXPECT_THROW(store->addUser("new", "New", {"RP"}, ""), std::runtime_error);
    EXPECT_THROW(store->setPassword("nobody", "x"), std::runtime_error);
    EXPECT_THROW(store->unlock("nobody"), std::runtime_error);

    for (int i = 0; i < 5; ++i)
        store->authenticate("demo", "bad", "RP", t0);
    store->unlock("demo");
    EXPECT_EQ(store->authenticate("demo", "demo", "RP", t0).outcome, Outcome::Accepted);
}

TEST_F(UserStoreTest, ParallelGuessesAreCountedBeforeAnyIsChecked)
{
    // Seven workstations guess at once: only five guesses may be checked before the lock.
    constexpr int kGuesses = 7;
    std::vector<Outcome> outcomes(kGuesses);
    std::latch ready(kGuesses);
    std::vector<std::thread> threads;
    for (int i = 0; i < kGuesses; ++i)
        threads.emplace_back([&, i] {
            UserStore own(fixture->info());
            ready.arrive_and_wait();
            outcomes[size_t(i)] = own.authenticate("demo", "guess", "RP", t0).outcome;
        });
    for (std::thread& t : threads)
        t.join();
    const auto checked = std::count(outcomes.begin(), outcomes.end(), Outcome::WrongNameOrPassword);
    EXPECT_LE(checked, UserStore::kMaxFailedAttempts) << "guesses checked past the lock";
    EXPECT_EQ(checked + std::count(outcomes.begin(), outcomes.end(), Outcome::Locked), kGuesses);
    EXPECT_EQ(store->authenticate("demo", "demo", "RP", t0.addSecs(60)).outcome, Outcome::Locked);
}

struct StorageFault
{
    const char* why;
    const char* trigger; // when the user table refuses an UPDATE
    int failedAttemptsAfter; // the right and the wrong password tried
};

std::ostream& operator<<(std::ostream& out, const StorageFault& f) { return out << f.why; }

class UserStoreFaults : public UserStoreTest, public ::testing::WithParamInterface<StorageFault> {};

TEST_P(UserStoreFaults, GiveTheSameRefusalForARightAndAWrongPassword)
{
    const QString generic = store->authenticate("nobody", "x", "RP", t0).message;
    fixture->run({QStringLiteral("CREATE TRIGGER Patient_data.storage_fault BEFORE UPDATE ON tbUsers %1 "
                                 "BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END")
                      .arg(QString::fromUtf8(GetParam().trigger))});
    const LogInResult right = store->authenticate("demo", "demo", "RP", t0);
    const LogInResult wrong = store->authenticate("demo", "wrong", "RP", t0);
    EXPECT_EQ(right.outcome, Outcome::WrongNameOrPassword);
    EXPECT_EQ(wrong.outcome, Outcome::WrongNameOrPassword);
    EXPECT_EQ(right.message, generic) << right.message.toStdString();
    EXPECT_EQ(wrong.message, generic) << wrong.message.toStdString();
    fixture->run({QStringLiteral("DROP TRIGGER Patient_data.storage_fault")});
    EXPECT_EQ(failedAttempts("demo"), GetParam().failedAttemptsAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, UserStoreFaults,
    ::testing::Values(StorageFault{"no attempt can be counted", "", 0},
                      StorageFault{"the right password cannot be recorded", "WHEN NEW.FailedAttempts = 0", 2}));

TEST_F(UserStoreTest, ABusyDatabaseIsNotARefusalAndCountsNothing)
{
    tarvik::db::ConnectionInfo impatient = fixture->info();
    impatient.busyTimeoutMs = 200;
    UserStore waiting(impatient);
    QSqlDatabase holder = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("lock-holder"));
    holder.setDatabaseName(tarvik::db::databaseFile(fixture->folder(), QStringLiteral("Patient_data")));
    ASSERT_TRUE(holder.open());
    QSqlQuery lock(holder);
    ASSERT_TRUE(lock.exec(QStringLiteral("BEGIN IMMEDIATE")));
    try {
        waiting.authenticate("demo", "demo", "RP", t0);
        ADD_FAILURE() << "checked a log-in past another program's write lock";
    } catch (const tarvik::db::DbError& e) {
        EXPECT_EQ(e.kind(), tarvik::db::DbError::Kind::Busy) << e.what();
    }
    ASSERT_TRUE(lock.exec(QStringLiteral("ROLLBACK")));
    lock.finish();
    holder.close();
    holder = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("lock-holder"));
    EXPECT_EQ(failedAttempts("demo"), 0);
}

TEST(UserStoreModules, ParsesACommaSeparatedList)
{
    EXPECT_EQ(UserStore::parseModules(" rp, bl ,,RP "), QStringList({"RP", "BL"}));
    EXPECT_TRUE(UserStore::parseModules("").isEmpty());
}

} // namespace

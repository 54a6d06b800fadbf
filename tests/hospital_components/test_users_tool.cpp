// The administrator's command, run as a real process.

#include "DataFolderFixture.h"
#include "UserStore.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using tarvik::hospital::UserStore;
using Outcome = tarvik::hospital::LogInResult::Outcome;

namespace {

struct ToolRun
{
    int status = -1;
    QString out;
    QString err;
};

class UsersToolTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        fixture = std::make_unique<tarvik::testing::DataFolderFixture>(dir.path());
    }

    ToolRun run(const QStringList& args, const QByteArray& input = {})
    {
        QProcess p;
        p.start(TARVIK_USERS_TOOL, QStringList{"--data-folder", dir.path()} + args);
        p.write(input);
        p.closeWriteChannel();
        p.waitForFinished(60000);
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }

    Outcome logIn(const QString& name, const QString& password, const QString& module = "RP")
    {
        UserStore store(fixture->info());
        return store.authenticate(name, password, module).outcome;
    }

    QTemporaryDir dir;
    std::unique_ptr<tarvik::testing::DataFolderFixture> fixture;
};

TEST_F(UsersToolTest, AddsAUserWithThePasswordFromStandardInput)
{
    const ToolRun r = run({"add", "ana", "--full-name", "Ana Cruz", "--modules", "rp,bl"}, "s3cret pass\n");
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(logIn("ana", "s3cret pass"), Outcome::Accepted);
    EXPECT_EQ(logIn("ana", "s3cret pass", "BL"), Outcome::Accepted);

    const ToolRun list = run({"list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_TRUE(list.out.contains("ana\tAna Cruz\tRP,BL\tactive")) << list.out.toStdString();
    EXPECT_FALSE(list.out.contains("s3cret"));
}

TEST_F(UsersToolTest, NoPasswordNoUser)
{
    const ToolRun r = run({"add", "ana", "--full-name", "Ana Cruz", "--modules", "RP"}, "");
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(run({"list"}).out.contains("ana"));
}

TEST_F(UsersToolTest, RefusesAPasswordOnTheCommandLine)
{
    const ToolRun r = run({"add", "ana", "--full-name", "Ana", "--modules", "RP", "--password", "x"}, "pw\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(run({"list"}).out.contains("ana"));
}

TEST_F(UsersToolTest, SetsAPasswordAndUnlocks)
{
    fixture->addUser("demo", "Demo Accountant", "RP", "demo");
    ASSERT_EQ(run({"set-password", "demo"}, "new one\n").status, 0);
    EXPECT_EQ(logIn("demo", "demo"), Outcome::WrongNameOrPassword);
    EXPECT_EQ(logIn("demo", "new one"), Outcome::Accepted);

    for (int i = 0; i < 5; ++i)
        logIn("demo", "bad");
    EXPECT_EQ(logIn("demo", "new one"), Outcome::Locked);
    EXPECT_TRUE(run({"list"}).out.contains("locked until"));
    ASSERT_EQ(run({"unlock", "demo"}).status, 0);
    EXPECT_EQ(logIn("demo", "new one"), Outcome::Accepted);

    EXPECT_EQ(run({"set-password", "nobody"}, "x\n").status, 1);
}

} // namespace

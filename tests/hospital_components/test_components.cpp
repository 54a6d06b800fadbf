#include "DataFolderFixture.h"
#include "DataLocation.h"
#include "clsCurrentUser.h"
#include "clsPatientSearch.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using tarvik::db::ConnectionInfo;
using tarvik::hospital::clsCurrentUser;

namespace {

class SettingsSandbox
{
public:
    SettingsSandbox()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
        savedEnv = qgetenv("TARVIK_DATA_DIR");
        qunsetenv("TARVIK_DATA_DIR");
    }
    ~SettingsSandbox()
    {
        if (!savedEnv.isEmpty())
            qputenv("TARVIK_DATA_DIR", savedEnv);
    }
    QSettings settings() const
    {
        return QSettings(QSettings::IniFormat, QSettings::UserScope, "tarvik", "components");
    }
    QTemporaryDir dir;
    QByteArray savedEnv;
};

TEST(DataLocation, EnvironmentThenSettingsThenTheDemoFolder)
{
    SettingsSandbox sandbox;
    ConnectionInfo info = tarvik::hospital::configuredConnectionInfo();
    EXPECT_EQ(info.backend, ConnectionInfo::Backend::Embedded);
    EXPECT_EQ(info.dataFolder, tarvik::hospital::demoDataFolder());
    EXPECT_TRUE(info.dataFolder.endsWith("/tarvik/demo"));

    {
        QSettings s(QSettings::IniFormat, QSettings::UserScope, "tarvik", "components");
        s.setValue("Database/DataFolder", "/srv/hospital/data/");
    }
    info = tarvik::hospital::configuredConnectionInfo();
    EXPECT_EQ(info.dataFolder, "/srv/hospital/data");

    {
        QSettings s(QSettings::IniFormat, QSettings::UserScope, "tarvik", "components");
        s.setValue("Database/OdbcConnection", "DSN=hospital;UID=rep;PWD=x");
    }
    info = tarvik::hospital::configuredConnectionInfo();
    EXPECT_EQ(info.backend, ConnectionInfo::Backend::Odbc);
    EXPECT_EQ(info.odbcConnection, "DSN=hospital;UID=rep;PWD=x");

    qputenv("TARVIK_DATA_DIR", "/tmp/elsewhere");
    info = tarvik::hospital::configuredConnectionInfo();
    qunsetenv("TARVIK_DATA_DIR");
    EXPECT_EQ(info.backend, ConnectionInfo::Backend::Embedded);
    EXPECT_EQ(info.dataFolder, "/tmp/elsewhere");
}

TEST(DataLocation, ReadsKeysOfAnOdbcConnectionString)
{
    const QString text = "Driver={FreeTDS};Server=db01;uid=reports;PWD={p;w};Database=Reports";
    EXPECT_EQ(tarvik::hospital::connectionStringValue(text, "SERVER"), "db01");
    EXPECT_EQ(tarvik::hospital::connectionStringValue(text, "UID"), "reports");
    EXPECT_EQ(tarvik::hospital::connectionStringValue(text, "DSN"), "");
    // The location shown at log-in never carries the password.
    const QString shown = tarvik::hospital::describeLocation(ConnectionInfo::odbc(text));
    EXPECT_TRUE(shown.contains("db01"));
    EXPECT_FALSE(shown.contains("reports"));
}

class SessionComponentTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        fixture = std::make_unique<tarvik::testing::DataFolderFixture>(dir.path());
        fixture->addUser("demo", "Demo Accountant", "RP", "demo");
        user.setPasswordDeptCode("RP");
        user.setConnectionInfo(fixture->info());
    }
    QTemporaryDir dir;
    std::unique_ptr<tarvik::testing::DataFolderFixture> fixture;
    clsCurrentUser user;
};

TEST_F(SessionComponentTest, ConnectedOnlyAfterALogIn)
{
    EXPECT_FALSE(user.Connected());
    EXPECT_EQ(user.SqlConnection(), nullptr);
    EXPECT_FALSE(user.LogIn("demo", "wrong").isEmpty());
    EXPECT_FALSE(user.Connected());

    EXPECT_EQ(user.LogIn("demo", "demo"), "");
    ASSERT_TRUE(user.Connected());
    EXPECT_EQ(user.employeename(), "Demo Accountant");
    // The embedded backend logs report tables on with the data folder and the user's name.
    EXPECT_EQ(user.ServerName(), dir.path());
    EXPECT_EQ(user.userid(), "demo");
    EXPECT_EQ(user.serverpassword(), "");
    const ConnectionInfo logOn = ConnectionInfo::fromLogOn(user.ServerName(), "Reports", user.userid(),
                                                          user.serverpassword());
    EXPECT_EQ(logOn.dataFolder, dir.path());

    // One session per run.
    EXPECT_FALSE(user.LogIn("demo", "demo").isEmpty());
}

TEST_F(SessionComponentTest, AMissingDataFolderIsAMessageNotACrash)
{
    clsCurrentUser lost;
    lost.setPasswordDeptCode("RP");
    lost.setConnectionInfo(ConnectionInfo::embedded(dir.path() + "/missing"));
    const QString message = lost.LogIn("demo", "demo");
    EXPECT_TRUE(message.contains("could not be opened")) << message.toStdString();
    EXPECT_FALSE(lost.Connected());
}

TEST_F(SessionComponentTest, PatientSearchConnectsWithAWorkingConnectionString)
{
    tarvik::hospital::clsPatientSearch search;
    QString good = fixture->info().connectionString();
    QString mts = "mts01";
    EXPECT_TRUE(search.InitConnection(good, mts));
    ASSERT_TRUE(search.PatientClass());
    ASSERT_TRUE(search.Admission());

    QString bad = ConnectionInfo::embedded(dir.path() + "/missing").connectionString();
    EXPECT_FALSE(search.InitConnection(bad, mts));
    EXPECT_FALSE(search.PatientClass());
}

} // namespace

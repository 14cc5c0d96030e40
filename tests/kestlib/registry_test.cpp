// The implementation registry, the singleton accessor and the small registered
// implementations.
#include "FakeApplication.h"
#include "Hacking/ISystemController.h"
#include "KLAbstractFactory.h"
#include "KLBitmap.h"
#include "KLCoinManager1.h"
#include "PlatformTest.h"
#include "RecordingLog.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

template <class Interface>
std::string OnlyImplementationName() {
    if (KLAbstractFactory<Interface>::GetImplementationCount() != 1) return "(count differs)";
    return KLAbstractFactory<Interface>::GetImplementation(0)->GetNameString();
}

struct ITestService : KL::Object {};
struct FailingService : ITestService {
    bool Init() override { return false; }
};
struct WorkingService : ITestService {};

struct NeverCreated {};

// Only for the announcement: its table is never searched after the registrar is gone.
struct IAnnounced : KL::Object {};
struct Announced : IAnnounced {};

}  // namespace

TEST(Registry, EachInterfaceHasItsPlatformImplementationNamedAsTheSystemSpellsIt) {
    EXPECT_EQ(OnlyImplementationName<KL::ICoinManager>(), "class _KL::CCoinManager1");
    EXPECT_EQ(OnlyImplementationName<KL::Hacking::ISystemController>(), kPlatformSystemControllerClass);
    EXPECT_EQ(OnlyImplementationName<KL::IBitmap>(), "class _KL::CBitmap");
    EXPECT_EQ(OnlyImplementationName<KL::Window>(), kPlatformWindowClass);
}

TEST(Registry, RegistrarAnnouncesImplementationThenInterface) {
    RecordingLog log;
    KLRegistrarFor<IAnnounced, Announced> registrar("class Announced", "class IAnnounced");
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"Implementation 'class Announced' for 'class IAnnounced' defined."});
    EXPECT_STREQ(registrar.GetNameString(), "class Announced");
    EXPECT_STREQ(registrar.GetName(), "undefined");
}

TEST(Registry, FailedInitIsReportedDestroyedAndTheSearchGoesOn) {
    // Registrars must stay alive as long as the table lists them: they live for the process.
    static KLRegistrarFor<ITestService, FailingService> failing("class FailingService", "class ITestService");
    static KLRegistrarFor<ITestService, WorkingService> working("class WorkingService", "class ITestService");
    RecordingLog log;
    std::unique_ptr<ITestService> found(KLAbstractFactory<ITestService>::FindImplementation("class ITestService"));
    ASSERT_NE(found, nullptr);
    EXPECT_NE(dynamic_cast<WorkingService*>(found.get()), nullptr);
    EXPECT_EQ(log.Boxes(), std::vector<std::string>{"Implementation undefined initialization failed."});
    EXPECT_EQ(failing.CreateImplementation(), nullptr);
}

TEST(Registry, AnEmptyTableHasNoWorkingImplementation) {
    RecordingLog log;
    EXPECT_EQ(KLAbstractFactory<KL::Object>::FindImplementation("class KL::Object"), nullptr);
    EXPECT_EQ(log.Boxes(), std::vector<std::string>{"No working implementations for 'class KL::Object'"});
}

TEST(Registry, WindowImplementationComesWithoutANativeWindow) {
    std::unique_ptr<KL::Window> window(KLAbstractFactory<KL::Window>::FindImplementation("class KL::Window"));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->GetHandle(), nullptr);
}

TEST(Singleton, AskingBeforeItExistsReportsTheFatalErrorAndYieldsNothing) {
    RecordingLog log;
    EXPECT_EQ(KLAbstractFactory<NeverCreated>::GetInstance(), nullptr);
    EXPECT_EQ(log.Boxes(),
              std::vector<std::string>{
                  "Fatal error in KLAbstractFactory, trying to get instance of an non-instanced Object"});
    static NeverCreated made;
    EXPECT_EQ(KLAbstractFactory<NeverCreated>::CreateInstance([] { return &made; }), &made);
    // A second creation keeps the first instance.
    EXPECT_EQ(KLAbstractFactory<NeverCreated>::CreateInstance([]() -> NeverCreated* { return nullptr; }), &made);
    KLAbstractFactory<NeverCreated>::SetInstance(nullptr);
}

TEST(CoinManager, TracesItsConstructionAndConvertsThroughTheRates) {
    RecordingLog log;
    _KL::CCoinManager1 coins;
    EXPECT_TRUE(coins.Register(1, "Euro", 2.0f, "moneda"));
    EXPECT_TRUE(coins.Register(2, "Peso", 4.0f, "otra"));
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"IBuilt!", "Coin Manager built!", "Euro (moneda) registered in Coin Manager",
                                                     "Peso (otra) registered in Coin Manager"}));
    EXPECT_EQ(coins.GetEntry(0)->kind, 3);
    KL::Amount from{10.0f, coins.GetEntry(0)};
    KL::Amount to{0.0f, coins.GetEntry(1)};
    coins.Convert(from, to);
    EXPECT_FLOAT_EQ(to.quantity, 5.0f);

    EXPECT_FALSE(coins.RefreshValues());
    EXPECT_EQ(log.Boxes(), std::vector<std::string>{"_KL::CCoinManager1::RefreshValues not defined. (KLCoinManager1)"});
}

TEST(CoinManager, TableOfSixteenRefusesMoreAndLongNamesAreCut) {
    _KL::CCoinManager1 coins;
    const std::string longName(1000, 'n');
    for (int i = 0; i < 16; ++i) ASSERT_TRUE(coins.Register(i, longName.c_str(), 1.0f, "d"));
    EXPECT_FALSE(coins.Register(16, "extra", 1.0f, "d"));
    EXPECT_EQ(coins.GetCount(), 16);
    EXPECT_EQ(std::string(coins.GetEntry(15)->name), longName.substr(0, 255));
}

TEST(SystemController, DesktopOperationsAreNotDefinedHere) {
    std::unique_ptr<KL::Hacking::ISystemController> controller(
        KLAbstractFactory<KL::Hacking::ISystemController>::FindImplementation("class KL::Hacking::ISystemController"));
    ASSERT_NE(controller, nullptr);
    RecordingLog log;
    EXPECT_TRUE(controller->MouseMove(1, 2));
    EXPECT_TRUE(controller->MWheelDown(1));
    EXPECT_EQ(controller->GetDesktopPortion(0, 0, 1, 1), nullptr);
    std::vector<std::string> expected;
    for (const char* operation : {"MouseMove", "MWheelDown", "GetDesktopPortion"}) {
        expected.push_back(std::string(kPlatformSystemControllerName) + "::" + operation + " not defined. (" +
                           kPlatformSystemControllerFile + ")");
    }
    EXPECT_EQ(log.Boxes(), expected);
}

TEST(Bitmap, PlaceholderDoesNoWork) {
    std::unique_ptr<KL::IBitmap> bitmap(KLAbstractFactory<KL::IBitmap>::FindImplementation("class KL::IBitmap"));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_TRUE(bitmap->Load("anything"));
    EXPECT_EQ(bitmap->GetInfo().fields[0], 0);
}

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QTabWidget>

#include "MorvaneBench.h"

namespace gaugecal::host {
namespace {

// morvane on the default simulated gauge with the "Auth" tab in front.
class AuthBench : public Morvane {
 public:
  AuthBench() : Morvane("sim:RN44K18") { window->Tabs()->setCurrentIndex(1); }
};

TEST(AuthView, AuthenticatesTheGaugeWithTheTypedKey) {
  struct Case {
    const char* key;
    std::string status;
    bool digestsAgree;
  };
  const Case cases[] = {
      {"0123456789ABCDEFFEDCBA9876543210", "Authentication Successful", true},
      {"00112233445566778899AABBCCDDEEFF", "Authentication Failed", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    AuthBench app;
    ASSERT_EQ(app.window->Tabs()->tabText(1).toStdString(), "Auth");
    auto* tabs = app.Find<QTabWidget>("ssTabAuth");
    tabs->setCurrentIndex(1);
    app.Type("txtAuthKey", c.key);
    app.Click("btnAuthenticate");
    EXPECT_TRUE(app.messages.empty()) << app.messages.front();
    EXPECT_EQ(app.Text("lblAuthenticationStatus"), c.status);
    EXPECT_EQ(app.Text("txtAuthRandomNumber").size(), 40U);
    EXPECT_FALSE(app.Text("txtSHA1Result").empty());
    EXPECT_EQ(app.Text("txtSHA1Result") == app.Text("txtPartDigest"), c.digestsAgree);
  }
}

// Seal, then unseal with the key in the box; the mode label follows the gauge.
TEST(AuthView, SealsAndUnsealsFromTheModeTab) {
  AuthBench app;
  EXPECT_EQ(app.Text("lblSealStatus"), "Unsealed");
  struct Step {
    const char* option;
    std::string mode;
  };
  for (const Step& s : {Step{"optionAction(0)", "Sealed"}, Step{"optionAction(1)", "Unsealed"}}) {
    SCOPED_TRACE(s.option);
    app.Click(s.option);
    EXPECT_TRUE(app.Find<QRadioButton>(s.option)->isChecked());
    app.Click("btnGo");
    EXPECT_EQ(app.Text("lblSealStatus"), s.mode);
  }
  EXPECT_TRUE(app.messages.empty()) << app.messages.front();
}

// A key with a wrong character is refused when the technician leaves the box: the focus goes
// back, with the key selected for retyping.
TEST(AuthView, RefusesAKeyWithAWrongCharacterOnLeavingTheBox) {
  AuthBench app;
  app.Type("txtUnsealKey", "0123456789ABCDEFFEDCBA987654321G");
  app.Find<QLineEdit>("txtDigest")->setFocus(Qt::TabFocusReason);
  QApplication::processEvents();
  ASSERT_EQ(app.messages.size(), 1U);
  EXPECT_EQ(app.messages[0], "Unseal Key has a non hex character.");
  auto* key = app.Find<QLineEdit>("txtUnsealKey");
  EXPECT_TRUE(key->hasFocus());
  EXPECT_EQ(key->selectedText().toStdString(), "0123456789ABCDEFFEDCBA987654321G");
}

// The SHA-1 form from the Tools menu computes the digest of the typed message.
TEST(SHA1CalcForm, OpensFromTheToolsMenuAndDigestsTheMessage) {
  AuthBench app;
  QAction* open = app.Find<QAction>("openSHA1Calc");
  ASSERT_NE(open, nullptr);
  EXPECT_TRUE(app.Find<QMenu>("toolsMenu")->actions().contains(open));
  open->trigger();
  auto* form = app.Find<QDialog>("SHA1Calc");
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->windowTitle().toStdString(), "SHA1/HMAC");
  app.Type("txtMsg", "0000000000000000000000000000000000000000");
  app.Click("cmdSHA1Msg");
  EXPECT_EQ(form->findChild<QLineEdit*>("txtDigest")->text().toStdString(),
            "6768033E216468247BD031A0A2D9876D79818F8F");
  app.Click("cmdQuit");
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(app.messages.empty()) << app.messages.front();
}

}  // namespace
}  // namespace gaugecal::host

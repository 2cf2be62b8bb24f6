// The account screens' step machine and the patch signature rule.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <fstream>
#include <sstream>

#include "base/game_state.h"
#include "online/account.h"
#include "protocol/encodings.h"
#include "screens/create_acc.h"
#include "screens/login.h"
#include "settings/settings.h"
#include "temp_folder.h"

namespace {

std::string signWithDevelopmentKey(const std::string& bytes) {
    std::string text = serverPrivateKey();
    BIO* bio = BIO_new_mem_buf(text.data(), static_cast<int>(text.size()));
    EVP_PKEY* key = PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    unsigned char signature[512];
    size_t length = sizeof signature;
    EVP_DigestSignInit(context, nullptr, EVP_sha256(), nullptr, key);
    EVP_DigestSign(context, signature, &length,
                   reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    EVP_MD_CTX_free(context);
    EVP_PKEY_free(key);
    return std::string(reinterpret_cast<char*>(signature), length);
}

TEST(PatchSignature, OnlyTheServerKeysSignatureOfTheseBytesVerifies) {
    std::string patch = "#!/bin/sh\necho patched\n";
    std::string signature = signWithDevelopmentKey(patch);
    ASSERT_EQ(signature.size(), 128u);
    EXPECT_TRUE(verifySha256Signature(patch, signature, serverPublicKey));
    EXPECT_FALSE(verifySha256Signature(patch + " ", signature, serverPublicKey));
    std::string flipped = signature;
    flipped[5] ^= 1;
    EXPECT_FALSE(verifySha256Signature(patch, flipped, serverPublicKey));
    EXPECT_FALSE(verifySha256Signature(patch, "", serverPublicKey));
    EXPECT_FALSE(verifySha256Signature(patch, signature, "not a key"));
}

TEST(LoginSteps, ButtonsActByStep) {
    GameState = Login;
    loginStep = offlineStep;
    serverLink.connectionMode = ConnectionOffline;
    loginRetries = 3;
    clickLogin(2);  // "Retry Connection"
    EXPECT_EQ(loginStep, loggingInStep);
    EXPECT_EQ(serverLink.connectionMode, ConnectionOnline);
    EXPECT_EQ(loginRetries, 0);
    EXPECT_FALSE(loginIssued);

    loginStep = passwordStep;
    clickLogin(1);  // "Create a New Profile" does nothing at the password
    EXPECT_EQ(GameState, Login);
    loginStep = nameStep;
    clickLogin(1);
    EXPECT_EQ(GameState, LoginToCreateAcc);

    GameState = Login;
    loginStep = loginFailedStep;
    Username = "name";
    loginPassword = "pass";
    clickLogin(1);  // "Back"
    EXPECT_EQ(loginStep, nameStep);
    EXPECT_EQ(Username, "");
    EXPECT_EQ(loginPassword, "");
}

TEST(LoginSteps, DotsCountWholeSeconds) {
    EXPECT_EQ(loggingInText(999), "Logging In");
    EXPECT_EQ(loggingInText(1000), "Logging In.");
    EXPECT_EQ(loggingInText(2500), "Logging In..");
    EXPECT_EQ(loggingInText(3999), "Logging In...");
}

TEST(CreateAccSteps, UnreachableServerShowsErrorAndBackKeepsTheEmail) {
    secureBaseUrl = "http://127.0.0.1:1/secure.php?data=";
    GameState = CreateAcc;
    emailText = "mail";
    Username = "someone";
    loginStep = checkingNameStep;
    UpdateCreateAcc(16);
    EXPECT_EQ(loginStep, offlineStep);
    clickCreateAcc(1);
    EXPECT_EQ(loginStep, nameStep);
    EXPECT_EQ(Username, "");
    EXPECT_EQ(emailText, "mail");
    loginStep = registeringStep;
    UpdateCreateAcc(16);
    EXPECT_EQ(loginStep, offlineStep);
    EXPECT_EQ(GameState, CreateAcc);

    loginStep = emailStep;
    clickCreateAcc(1);  // "Use an Existing Profile"
    EXPECT_EQ(GameState, Login);
    EXPECT_EQ(loginStep, nameStep);
}

}  // namespace

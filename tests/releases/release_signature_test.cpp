#include "releases/release_signature.h"

#include <gtest/gtest.h>

#include "releases/test_release_key.h"
#include "support/temp.h"

namespace papyr::releases {
namespace {

using test::TestKey;

const std::string kManifest = R"({"version":"1.0.1","name":"Papyr 1.0.1"})"
                              "\n";

TEST(ReleaseKey, VerifiesItsSignatureOverTheExactBytesOnly) {
    const TestKey signer;
    const auto key = ReleaseKey::from_pem(signer.public_pem());
    ASSERT_TRUE(key) << key.error();
    const std::string signature = signer.sign(kManifest);
    EXPECT_TRUE(key->verifies(kManifest, signature));

    std::string flipped_bit = signature;
    flipped_bit[10] = static_cast<char>(flipped_bit[10] ^ 0x01);
    const std::string other_key = TestKey().sign(kManifest);
    for (const auto& [message, tried] : std::vector<std::pair<std::string, std::string>>{
             {kManifest.substr(0, kManifest.size() - 1), signature},  // line feed dropped
             {kManifest + "\n", signature},
             {R"({"version":"9.0.1")" + kManifest.substr(18), signature},
             {kManifest, flipped_bit},
             {kManifest, other_key},
             {kManifest, signature.substr(0, 63)},
             {kManifest, signature + "x"},
             {kManifest, ""},
         })
        EXPECT_FALSE(key->verifies(message, tried)) << message;
}

TEST(ReleaseKey, OnlyAnEd25519PublicKeyIsAccepted) {
    const TestKey ed25519;
    EXPECT_TRUE(ReleaseKey::from_pem("a comment before the block\n" + ed25519.public_pem()));
    for (const std::string& pem : {std::string(), std::string("not a key"), ed25519.private_pem(),
                                   TestKey("X25519").public_pem(), TestKey("ED448").public_pem(),
                                   ed25519.public_pem().substr(0, 60)})
        EXPECT_FALSE(ReleaseKey::from_pem(pem)) << pem;
}

TEST(ReleaseKey, TheProjectsKeyIsAnEd25519PublicKey) {
    const auto key = ReleaseKey::from_pem(papyr::test::read_file(
        std::filesystem::path(PAPYR_SOURCE_DIR) / "packaging/release-key.pub"));
    EXPECT_TRUE(key) << key.error();
}

TEST(SignatureFile, IsBase64OfSixtyFourBytesOnOneLine) {
    const std::string raw(64, '\xA7');
    const std::string line = TestKey::base64(raw);
    for (const std::string& text : {line, line + "\n", line + "\r\n"}) {
        const auto decoded = decode_signature_file(text);
        ASSERT_TRUE(decoded) << text << ": " << decoded.error();
        EXPECT_EQ(*decoded, raw);
    }
    const std::string short_line = TestKey::base64(raw.substr(0, 63));
    for (const std::string& text :
         {std::string(), std::string("\n"), line.substr(0, 86), short_line, line + line,
          line.substr(0, 40) + "\n" + line.substr(40), line + "\n\n", " " + line,
          line.substr(0, 84) + "*A=="})
        EXPECT_FALSE(decode_signature_file(text)) << text;
}

TEST(Sha256, IsTheStandardDigestInLowercaseHex) {
    // FIPS 180-2's example.
    EXPECT_EQ(sha256_hex("abc"),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_TRUE(is_sha256_hex(sha256_hex("")));
    EXPECT_TRUE(is_sha256_hex("BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"));
    for (const std::string& text :
         {std::string(), std::string("ba7816bf"), std::string(63, 'a'), std::string(65, 'a'),
          std::string(63, 'a') + "g", std::string(63, 'a') + " "})
        EXPECT_FALSE(is_sha256_hex(text)) << text;
}

}  // namespace
}  // namespace papyr::releases

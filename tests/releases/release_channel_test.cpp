#include "releases/release_channel.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <map>
#include <mutex>
#include <semaphore>
#include <thread>

#include "news_api/json.h"
#include "releases/test_release_key.h"
#include "support/temp.h"

namespace papyr::releases {
namespace {

using namespace std::chrono_literals;
using test::TestKey;

const std::string kChannel = "https://releases.example.org/papyr/papyr.json";
const std::string kPackageUrl = "https://releases.example.org/papyr/papyr-1.0.1.zip";
const std::string kOrigin = "https://127.0.0.1:4548";

std::string manifest_text(const std::string& version, const std::string& sha256,
                          const std::string& url = kPackageUrl) {
    return R"({"version":")" + version + R"(","name":"Papyr )" + version +
           R"(","changelog":"Sửa lỗi","download_url":")" + url + R"(","size_mb":0.01,"sha256":)" +
           (sha256.empty() ? "null" : "\"" + sha256 + "\"") + "}\n";
}

// The channel's host: files by URL, every fetch counted; the package can be
// held back until the test lets it go.
class FakeChannelHost {
  public:
    void put(const std::string& url, std::string body) {
        const std::lock_guard lock(mutex_);
        files_[url] = std::move(body);
    }
    void remove(const std::string& url) {
        const std::lock_guard lock(mutex_);
        files_.erase(url);
    }
    // A release signed by `key`: manifest, signature and package.
    void publish(const TestKey& key, const std::string& version, const std::string& package) {
        const std::string manifest = manifest_text(version, sha256_hex(package));
        put(kChannel, manifest);
        put(kChannel + ".sig", key.signature_file(manifest));
        put(kPackageUrl, package);
    }
    int fetches(const std::string& url) {
        const std::lock_guard lock(mutex_);
        return fetches_[url];
    }
    void hold_package() { held_ = true; }
    void release_package() { gate_.release(); }

    ChannelFetch fetcher() {
        return [this](const ChannelRequest& request) {
            EXPECT_EQ(request.host, "releases.example.org");
            if (request.url == kPackageUrl && held_)
                gate_.acquire();
            const std::lock_guard lock(mutex_);
            ++fetches_[request.url];
            const auto found = files_.find(request.url);
            if (found == files_.end())
                return ChannelDocument{false, true, {}, "HTTP 404"};
            return ChannelDocument{true, false, found->second, {}};
        };
    }

  private:
    std::mutex mutex_;
    std::map<std::string, std::string> files_;
    std::map<std::string, int> fetches_;
    std::atomic<bool> held_{false};
    std::binary_semaphore gate_{0};
};

class ReleaseChannelTest : public ::testing::Test {
  protected:
    std::unique_ptr<ReleaseChannel> start(ChannelSettings settings = {}) {
        settings.manifest_url = settings.manifest_url.empty() ? kChannel : settings.manifest_url;
        settings.own_version = "1.0.0";
        auto key = ReleaseKey::from_pem(key_.public_pem());
        return std::make_unique<ReleaseChannel>(settings, *key, dir_ / "release",
                                                ChannelFetchers{host_.fetcher(), host_.fetcher()},
                                                [](std::string_view) {});
    }
    std::vector<std::string> kept_files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_ / "release"))
            names.push_back(entry.path().filename().string());
        return names;
    }

    test::TempDir dir_;
    TestKey key_;
    FakeChannelHost host_;
    const std::string package_ = "PK\x03\x04 a release package";
};

TEST_F(ReleaseChannelTest, ASignedNewerReleaseIsOfferedFromThisServiceAndDownloadedOnce) {
    host_.publish(key_, "1.0.1", package_);
    const auto channel = start();
    for (int check = 0; check < 2; ++check) {
        const ChannelAnswer reply = channel->manifest(kOrigin);
        ASSERT_TRUE(reply.offer) << reply.note;
        const auto offered = decode_ota_manifest(*reply.offer);
        ASSERT_TRUE(offered) << offered.error();
        EXPECT_EQ(offered->download_url, kOrigin + "/ota/package/1.0.1.zip");
        EXPECT_EQ(offered->sha256, sha256_hex(package_));
        EXPECT_EQ(offered->changelog, "Sửa lỗi");
    }
    EXPECT_EQ(host_.fetches(kChannel), 2);
    EXPECT_EQ(host_.fetches(kPackageUrl), 1);
    const ChannelAnswer served = channel->package("1.0.1.zip");
    ASSERT_TRUE(served.package);
    EXPECT_EQ(test::read_file(*served.package), package_);
    EXPECT_FALSE(channel->package("1.0.2.zip").package);
    EXPECT_FALSE(channel->package("../1.0.1.zip").package);

    // After a restart the kept copy is found by its checksum.
    const auto restarted = start();
    EXPECT_TRUE(restarted->manifest(kOrigin).offer);
    EXPECT_EQ(host_.fetches(kPackageUrl), 1);
}

TEST_F(ReleaseChannelTest, NothingIsOfferedThatTheReleaseKeyDoesNotVouchFor) {
    struct Case {
        std::string what;
        std::function<void()> fault;
        std::string reason;
    };
    const TestKey other;
    const auto signed_manifest = [&](const std::string& manifest) {
        host_.put(kChannel, manifest);
        host_.put(kChannel + ".sig", key_.signature_file(manifest));
    };
    const std::string sha = sha256_hex(package_);
    const std::vector<Case> cases{
        {"tampered manifest", [&] { host_.put(kChannel, manifest_text("1.0.2", sha)); },
         "signature is not the release key's"},
        {"another key",
         [&] { host_.put(kChannel + ".sig", other.signature_file(manifest_text("1.0.1", sha))); },
         "signature is not the release key's"},
        {"no signature", [&] { host_.remove(kChannel + ".sig"); },
         "no signature next to its manifest (HTTP 404)"},
        {"damaged signature", [&] { host_.put(kChannel + ".sig", "c2lnbmF0dXJl\n"); },
         "holds 9 bytes"},
        {"no checksum", [&] { signed_manifest(manifest_text("1.0.1", "")); }, "has no sha256"},
        {"short checksum", [&] { signed_manifest(manifest_text("1.0.1", "abc")); },
         "not 64 hexadecimal"},
        {"equal version", [&] { signed_manifest(manifest_text("v1.0.0", sha)); },
         "v1.0.0 is not newer than this release (1.0.0)"},
        {"older version", [&] { signed_manifest(manifest_text("0.9.9", sha)); }, "not newer"},
        {"path in version", [&] { signed_manifest(manifest_text("1.0.1/../../x", sha)); },
         "cannot name a package file"},
        {"package elsewhere",
         [&] { signed_manifest(manifest_text("1.0.1", sha, "https://cdn.example.net/p.zip")); },
         "not on the channel's host"},
        {"not a manifest", [&] { signed_manifest("[\"1.0.1\"]"); }, "is not a manifest"},
        {"tampered package", [&] { host_.put(kPackageUrl, package_ + " "); },
         "does not match the signed sha256"},
        {"package missing", [&] { host_.remove(kPackageUrl); },
         "package cannot be fetched (HTTP 404)"},
        {"channel down", [&] { host_.remove(kChannel); }, "manifest cannot be fetched (HTTP 404)"},
    };
    for (const Case& c : cases) {
        host_.publish(key_, "1.0.1", package_);
        c.fault();
        const ChannelAnswer reply = start()->manifest(kOrigin);
        EXPECT_FALSE(reply.offer) << c.what;
        EXPECT_NE(reply.note.find(c.reason), std::string::npos) << c.what << ": " << reply.note;
        EXPECT_EQ(reply.note.rfind("no offer: ", 0), 0U) << c.what;
        EXPECT_TRUE(kept_files().empty()) << c.what;
    }
    const int fetched = host_.fetches(kChannel);
    ChannelSettings none;
    const auto unset = std::make_unique<ReleaseChannel>(
        none, *ReleaseKey::from_pem(key_.public_pem()), dir_ / "release",
        ChannelFetchers{host_.fetcher(), host_.fetcher()}, [](std::string_view) {});
    EXPECT_EQ(unset->manifest(kOrigin).note, "no offer: no release channel is set");
    EXPECT_EQ(host_.fetches(kChannel), fetched);
}

TEST_F(ReleaseChannelTest, ANewerReleaseReplacesTheKeptOneAndAReplayedOlderOneIsRefused) {
    host_.publish(key_, "1.0.1", package_);
    const auto channel = start();
    ASSERT_TRUE(channel->manifest(kOrigin).offer);
    const std::string newer = package_ + " 1.0.2";
    host_.publish(key_, "1.0.2", newer);
    ASSERT_TRUE(channel->manifest(kOrigin).offer);
    EXPECT_EQ(kept_files(), std::vector<std::string>{"1.0.2.zip"});
    EXPECT_FALSE(channel->package("1.0.1.zip").package);

    host_.publish(key_, "1.0.1", package_);  // an old, validly signed manifest
    EXPECT_EQ(channel->manifest(kOrigin).note,
              "no offer: version 1.0.1 is older than the verified 1.0.2");
    EXPECT_EQ(start()->manifest(kOrigin).note,  // a restart forgets nothing of it
              "no offer: version 1.0.1 is older than the verified 1.0.2");
    EXPECT_EQ(test::read_file(dir_ / "release" / "1.0.2.zip"), newer);
}

TEST_F(ReleaseChannelTest, AKeptPackageDamagedOnDiskIsDownloadedAgain) {
    host_.publish(key_, "1.0.1", package_);
    ASSERT_TRUE(start()->manifest(kOrigin).offer);
    test::write_file(dir_ / "release" / "1.0.1.zip", "PK damaged");
    const auto restarted = start();
    EXPECT_TRUE(restarted->manifest(kOrigin).offer);
    EXPECT_EQ(host_.fetches(kPackageUrl), 2);
    EXPECT_EQ(test::read_file(dir_ / "release" / "1.0.1.zip"), package_);
    // A FIFO in its place, which would block whoever opens it to read.
    std::filesystem::remove(dir_ / "release" / "1.0.1.zip");
    ASSERT_EQ(::mkfifo((dir_ / "release" / "1.0.1.zip").c_str(), 0600), 0);
    EXPECT_TRUE(start()->manifest(kOrigin).offer);
    EXPECT_EQ(host_.fetches(kPackageUrl), 3);
}

TEST_F(ReleaseChannelTest, ConcurrentChecksShareOneDownloadThatOutlivesASlowAnswer) {
    host_.publish(key_, "1.0.1", package_);
    host_.hold_package();
    ChannelSettings settings;
    settings.answer_within = 100ms;
    const auto channel = start(settings);
    std::vector<std::thread> readers;
    std::vector<ChannelAnswer> replies(4);
    for (ChannelAnswer& reply : replies)
        readers.emplace_back([&] { reply = channel->manifest(kOrigin); });
    for (std::thread& reader : readers)
        reader.join();
    for (const ChannelAnswer& reply : replies)
        EXPECT_EQ(reply.note, "no offer: the package of 1.0.1 is still downloading");
    host_.release_package();
    channel->wait_for_download();
    EXPECT_TRUE(channel->manifest(kOrigin).offer);
    EXPECT_EQ(host_.fetches(kPackageUrl), 1);
}

TEST_F(ReleaseChannelTest, ARefusedPackageIsNotFetchedAgainForEveryCheck) {
    host_.publish(key_, "1.0.1", package_);
    host_.put(kPackageUrl, "not the package");
    const auto channel = start();
    for (int check = 0; check < 3; ++check)
        EXPECT_NE(channel->manifest(kOrigin).note.find("does not match"), std::string::npos);
    EXPECT_EQ(host_.fetches(kPackageUrl), 1);

    ChannelSettings impatient;
    impatient.retry_download_after = 0s;
    const auto retrying = start(impatient);
    EXPECT_FALSE(retrying->manifest(kOrigin).offer);
    host_.put(kPackageUrl, package_);  // the host is mended
    EXPECT_TRUE(retrying->manifest(kOrigin).offer);
}

TEST(PackageOrigin, IsTheHostTheReaderUsedWhenItIsAPlainOne) {
    struct Case {
        std::string host_header, listen_host, expected;
    };
    for (const Case& c : std::vector<Case>{
             {"127.0.0.1:4548", "127.0.0.1", "https://127.0.0.1:4548"},
             {"192.168.1.10:4548", "0.0.0.0", "https://192.168.1.10:4548"},
             {"[fd00::5]:4548", "::", "https://[fd00::5]:4548"},
             {"", "0.0.0.0", "https://127.0.0.1:4548"},
             {"", "::1", "https://[::1]:4548"},
             {"evil.example/x?", "0.0.0.0", "https://127.0.0.1:4548"},
             {"user@evil.example", "0.0.0.0", "https://127.0.0.1:4548"},
         })
        EXPECT_EQ(package_origin(c.host_header, c.listen_host, 4548), c.expected) << c.host_header;
}

}  // namespace
}  // namespace papyr::releases

#include "RtspService.h"

#include "DeviceSpec.h"

#include <gst/gst.h>
#include <gst/rtsp-server/rtsp-server.h>

#include <map>
#include <thread>

namespace devsim {
namespace {

constexpr const char* kMount = "/live";
constexpr const char* kRole = "camera-user";

// Live, so every client sees the present; a key frame a second so a player
// that joins late starts within a second.
const char* const kPatterns[] = {"smpte", "ball", "pinwheel", "spokes", "colors", "checkers-8", "zone-plate", "bar"};

std::string launchFor(size_t index)
{
    return std::string("( videotestsrc is-live=true pattern=") +
           kPatterns[index % (sizeof kPatterns / sizeof *kPatterns)] +
           " ! video/x-raw,width=640,height=360,framerate=25/1"
           " ! x264enc tune=zerolatency speed-preset=ultrafast key-int-max=25 bitrate=768"
           " ! rtph264pay name=pay0 pt=96 config-interval=1 )";
}

GstRTSPMediaFactory* makeFactory(const std::string& launch)
{
    GstRTSPMediaFactory* factory = gst_rtsp_media_factory_new();
    gst_rtsp_media_factory_set_launch(factory, launch.c_str());
    gst_rtsp_media_factory_set_shared(factory, TRUE);
    gst_rtsp_media_factory_set_protocols(factory,
                                         GstRTSPLowerTrans(GST_RTSP_LOWER_TRANS_UDP | GST_RTSP_LOWER_TRANS_TCP));
    gst_rtsp_media_factory_add_role(factory, kRole, GST_RTSP_PERM_MEDIA_FACTORY_ACCESS, G_TYPE_BOOLEAN, TRUE,
                                    GST_RTSP_PERM_MEDIA_FACTORY_CONSTRUCT, G_TYPE_BOOLEAN, TRUE, nullptr);
    return factory;
}

void requireDigest(GstRTSPServer* server, const CameraSpec& camera)
{
    GstRTSPAuth* auth = gst_rtsp_auth_new();
    GstRTSPToken* token = gst_rtsp_token_new(GST_RTSP_TOKEN_MEDIA_FACTORY_ROLE, G_TYPE_STRING, kRole, nullptr);
    gst_rtsp_auth_add_digest(auth, camera.user.c_str(), camera.password.c_str(), token);
    gst_rtsp_auth_set_supported_methods(auth, GST_RTSP_AUTH_DIGEST);
    gst_rtsp_token_unref(token);
    gst_rtsp_server_set_auth(server, auth);
    g_object_unref(auth);
}

GstRTSPFilterResult removeClient(GstRTSPServer*, GstRTSPClient*, gpointer)
{
    return GST_RTSP_FILTER_REMOVE;
}

} // namespace

struct RtspService::Private
{
    struct Served
    {
        GstRTSPServer* server = nullptr;
        guint source = 0;
    };
    GMainContext* context = nullptr;
    GMainLoop* loop = nullptr;
    std::thread thread;
    std::map<std::string, Served> servers; // by camera address
    uint16_t port = 0;

    // On the server thread, or with no server thread running.
    void closeClients()
    {
        for (auto& entry : servers)
            gst_rtsp_server_client_filter(entry.second.server, removeClient, nullptr);
    }

    void release()
    {
        closeClients();
        for (auto& entry : servers) {
            if (entry.second.source) {
                if (GSource* source = g_main_context_find_source_by_id(context, entry.second.source))
                    g_source_destroy(source);
            }
            g_object_unref(entry.second.server);
        }
        servers.clear();
        if (loop)
            g_main_loop_unref(loop);
        if (context)
            g_main_context_unref(context);
        loop = nullptr;
        context = nullptr;
    }
};

RtspService::RtspService() : d(std::make_unique<Private>())
{
}

RtspService::~RtspService()
{
    stop();
}

bool RtspService::start(const std::vector<CameraSpec>& cameras, uint16_t port, std::string& error)
{
    stop();
    GError* initError = nullptr;
    if (!gst_init_check(nullptr, nullptr, &initError)) {
        error = std::string("GStreamer: ") + (initError ? initError->message : "cannot start");
        g_clear_error(&initError);
        return false;
    }
    d->context = g_main_context_new();
    d->loop = g_main_loop_new(d->context, FALSE);
    d->port = port;
    const std::string service = std::to_string(port);
    for (size_t i = 0; i < cameras.size(); ++i) {
        const CameraSpec& camera = cameras[i];
        GstRTSPServer* server = gst_rtsp_server_new();
        gst_rtsp_server_set_address(server, camera.address.c_str());
        gst_rtsp_server_set_service(server, service.c_str());
        requireDigest(server, camera);
        GstRTSPMountPoints* mounts = gst_rtsp_server_get_mount_points(server);
        gst_rtsp_mount_points_add_factory(mounts, kMount, makeFactory(launchFor(i)));
        g_object_unref(mounts);
        const guint source = gst_rtsp_server_attach(server, d->context);
        d->servers[camera.address] = {server, source};
        if (source == 0) {
            error = "RTSP: cannot listen on " + camera.address + ":" + service;
            d->release();
            return false;
        }
    }
    GMainLoop* loop = d->loop;
    GMainContext* context = d->context;
    d->thread = std::thread([loop, context] {
        g_main_context_push_thread_default(context);
        g_main_loop_run(loop);
        g_main_context_pop_thread_default(context);
    });
    return true;
}

void RtspService::stop()
{
    if (d->thread.joinable()) {
        // The loop may not have started running yet: quitting from inside it
        // cannot be missed, as a plain quit before run could be. Clients are
        // closed there too, where the server's own thread handles their sockets.
        GSource* quit = g_idle_source_new();
        g_source_set_callback(
            quit,
            [](gpointer data) {
                auto* self = static_cast<Private*>(data);
                self->closeClients();
                g_main_loop_quit(self->loop);
                return G_SOURCE_REMOVE;
            },
            d.get(), nullptr);
        g_source_attach(quit, d->context);
        g_source_unref(quit);
        d->thread.join();
    }
    if (d->context)
        d->release();
}

bool RtspService::isRunning() const
{
    return d->thread.joinable();
}

std::string RtspService::urlOf(const std::string& cameraAddress) const
{
    return d->servers.count(cameraAddress) ? urlFor(cameraAddress, d->port) : std::string();
}

std::string RtspService::urlFor(const std::string& address, uint16_t port)
{
    return "rtsp://" + address + ":" + std::to_string(port) + kMount;
}

} // namespace devsim

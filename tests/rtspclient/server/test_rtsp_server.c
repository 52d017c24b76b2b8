/*
 * RTSP server for tests, on GStreamer's RTSP server library.
 *
 *   corvane-test-rtsp-server [--port N] [--auth none|basic|digest] [--user U --password P]
 *                            [--clip FILE.ts] [--timeout SECONDS]
 *                            [--live-size WxH] [--report-teardown]
 *
 * Listens on loopback only. Port 0 (the default) takes a free port. When it
 * listens it prints "READY <port>" on its own line on standard output.
 * Mounts:
 *   /live         endless H.264 test picture (live source)
 *   /clip         the H.264 MPEG-TS file given with --clip, once; seekable; ends with BYE
 *   /backchannel  /live plus an ONVIF audio back channel (PCMU) that the server receives;
 *                 it needs the ONVIF media type, else every DESCRIBE asking for
 *                 the back channel is refused with 400
 * Every mount is served over UDP and TCP interleaved. With --auth every mount
 * needs the user and password, by the one scheme given. With --timeout the
 * sessions that are not kept alive expire (swept every second).
 * --live-size sets the picture of /live (320x240 by default). With
 * --report-teardown every TEARDOWN received prints "TEARDOWN <path>" on its
 * own line on standard output.
 */
#include <gst/gst.h>
#include <gst/rtsp-server/rtsp-onvif-media-factory.h>
#include <gst/rtsp-server/rtsp-onvif-media.h>
#include <gst/rtsp-server/rtsp-server.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char* kLiveFormat =
    "( videotestsrc is-live=true pattern=ball ! video/x-raw,width=%d,height=%d,framerate=25/1 "
    "! x264enc tune=zerolatency speed-preset=ultrafast key-int-max=25 bitrate=%d "
    "! rtph264pay name=pay0 pt=96 config-interval=1 )";

static const char* kBackchannel = "( capsfilter caps=\"application/x-rtp, media=audio, payload=0, clock-rate=8000, "
                                  "encoding-name=PCMU\" name=depay_backchannel ! fakesink async=false )";

typedef struct
{
    guint timeout;
    gboolean reportTeardown;
} Options;

static void on_teardown_request(GstRTSPClient* client, GstRTSPContext* context, gpointer data)
{
    (void)client;
    (void)data;
    printf("TEARDOWN %s\n", context->uri && context->uri->abspath ? context->uri->abspath : "");
    fflush(stdout);
}

static void on_new_session(GstRTSPClient* client, GstRTSPSession* session, gpointer data)
{
    (void)client;
    const Options* options = data;
    if (options->timeout > 0)
        gst_rtsp_session_set_timeout(session, options->timeout);
}

static void on_client_connected(GstRTSPServer* server, GstRTSPClient* client, gpointer data)
{
    (void)server;
    g_signal_connect(client, "new-session", G_CALLBACK(on_new_session), data);
    if (((const Options*)data)->reportTeardown)
        g_signal_connect(client, "teardown-request", G_CALLBACK(on_teardown_request), NULL);
}

/* The server never expires sessions by itself; the pool must be swept. */
static gboolean sweep_sessions(gpointer data)
{
    GstRTSPSessionPool* pool = gst_rtsp_server_get_session_pool(GST_RTSP_SERVER(data));
    gst_rtsp_session_pool_cleanup(pool);
    g_object_unref(pool);
    return G_SOURCE_CONTINUE;
}

static void allow_role(GstRTSPMediaFactory* factory, const char* role)
{
    gst_rtsp_media_factory_add_role(factory, role, GST_RTSP_PERM_MEDIA_FACTORY_ACCESS, G_TYPE_BOOLEAN, TRUE,
                                    GST_RTSP_PERM_MEDIA_FACTORY_CONSTRUCT, G_TYPE_BOOLEAN, TRUE, NULL);
}

static GstRTSPMediaFactory* make_factory(const char* launch, gboolean shared, const char* role)
{
    GstRTSPMediaFactory* factory = gst_rtsp_media_factory_new();
    gst_rtsp_media_factory_set_launch(factory, launch);
    gst_rtsp_media_factory_set_shared(factory, shared);
    gst_rtsp_media_factory_set_protocols(factory, GST_RTSP_LOWER_TRANS_UDP | GST_RTSP_LOWER_TRANS_TCP);
    if (role)
        allow_role(factory, role);
    return factory;
}

static void set_up_auth(GstRTSPServer* server, const char* scheme, const char* user, const char* password)
{
    GstRTSPAuth* auth = gst_rtsp_auth_new();
    GstRTSPToken* token = gst_rtsp_token_new(GST_RTSP_TOKEN_MEDIA_FACTORY_ROLE, G_TYPE_STRING, "user", NULL);
    if (strcmp(scheme, "basic") == 0) {
        gchar* basic = gst_rtsp_auth_make_basic(user, password);
        gst_rtsp_auth_add_basic(auth, basic, token);
        g_free(basic);
        gst_rtsp_auth_set_supported_methods(auth, GST_RTSP_AUTH_BASIC);
    } else {
        gst_rtsp_auth_add_digest(auth, user, password, token);
        gst_rtsp_auth_set_supported_methods(auth, GST_RTSP_AUTH_DIGEST);
    }
    gst_rtsp_token_unref(token);
    gst_rtsp_server_set_auth(server, auth);
    g_object_unref(auth);
}

int main(int argc, char* argv[])
{
    const char* port = "0";
    const char* scheme = "none";
    const char* user = "admin";
    const char* password = "admin123";
    const char* clip = NULL;
    int width = 320, height = 240;
    Options options = {0};

    gst_init(&argc, &argv);
    for (int i = 1; i < argc; i += 2) {
        if (strcmp(argv[i], "--report-teardown") == 0) {
            options.reportTeardown = TRUE;
            --i;
            continue;
        }
        if (i + 1 >= argc) {
            fprintf(stderr, "option %s needs a value\n", argv[i]);
            return 2;
        }
        if (strcmp(argv[i], "--port") == 0)
            port = argv[i + 1];
        else if (strcmp(argv[i], "--auth") == 0)
            scheme = argv[i + 1];
        else if (strcmp(argv[i], "--user") == 0)
            user = argv[i + 1];
        else if (strcmp(argv[i], "--password") == 0)
            password = argv[i + 1];
        else if (strcmp(argv[i], "--clip") == 0)
            clip = argv[i + 1];
        else if (strcmp(argv[i], "--timeout") == 0)
            options.timeout = (guint)atoi(argv[i + 1]);
        else if (strcmp(argv[i], "--live-size") == 0) {
            if (sscanf(argv[i + 1], "%dx%d", &width, &height) != 2 || width < 16 || height < 16) {
                fprintf(stderr, "bad size %s\n", argv[i + 1]);
                return 2;
            }
        } else {
            fprintf(stderr, "unknown option %s\n", argv[i]);
            return 2;
        }
    }
    if (strcmp(scheme, "none") != 0 && strcmp(scheme, "basic") != 0 && strcmp(scheme, "digest") != 0) {
        fprintf(stderr, "unknown auth scheme %s\n", scheme);
        return 2;
    }

    /* About 512 kbit/s for 320x240, growing with the picture. */
    const int bitrate = 512 > width * height / 150 ? 512 : width * height / 150;
    gchar* live = g_strdup_printf(kLiveFormat, width, height, bitrate);

    GMainLoop* loop = g_main_loop_new(NULL, FALSE);
    GstRTSPServer* server = gst_rtsp_onvif_server_new();
    gst_rtsp_server_set_address(server, "127.0.0.1");
    gst_rtsp_server_set_service(server, port);
    const char* role = NULL;
    if (strcmp(scheme, "none") != 0) {
        set_up_auth(server, scheme, user, password);
        role = "user";
    }
    g_signal_connect(server, "client-connected", G_CALLBACK(on_client_connected), &options);

    GstRTSPMountPoints* mounts = gst_rtsp_server_get_mount_points(server);
    gst_rtsp_mount_points_add_factory(mounts, "/live", make_factory(live, TRUE, role));
    if (clip) {
        gchar* launch = g_strdup_printf(
            "( filesrc location=\"%s\" ! tsdemux ! h264parse ! rtph264pay name=pay0 pt=96 config-interval=1 )", clip);
        gst_rtsp_mount_points_add_factory(mounts, "/clip", make_factory(launch, FALSE, role));
        g_free(launch);
    }
    GstRTSPMediaFactory* onvif = gst_rtsp_onvif_media_factory_new();
    gst_rtsp_media_factory_set_launch(onvif, live);
    gst_rtsp_onvif_media_factory_set_backchannel_launch(GST_RTSP_ONVIF_MEDIA_FACTORY(onvif), kBackchannel);
    gst_rtsp_media_factory_set_protocols(onvif, GST_RTSP_LOWER_TRANS_UDP | GST_RTSP_LOWER_TRANS_TCP);
    gst_rtsp_media_factory_set_media_gtype(onvif, GST_TYPE_RTSP_ONVIF_MEDIA);
    if (role)
        allow_role(onvif, role);
    gst_rtsp_mount_points_add_factory(mounts, "/backchannel", onvif);
    g_object_unref(mounts);

    if (gst_rtsp_server_attach(server, NULL) == 0) {
        fprintf(stderr, "cannot listen on port %s\n", port);
        return 1;
    }
    if (options.timeout > 0)
        g_timeout_add_seconds(1, sweep_sessions, server);
    printf("READY %d\n", gst_rtsp_server_get_bound_port(server));
    fflush(stdout);
    g_main_loop_run(loop);
    return 0;
}

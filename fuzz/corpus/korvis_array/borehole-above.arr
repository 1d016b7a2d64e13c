0. 5. 0. 30. 21 3          dX, dZ, X0, Z0, nPos, nSpac
0. 0. 10000. 0. 0. 10 0          XA, ZA, XB, ZB, XMN, keyArr, iDir
5. 10. 20.          spacings (A above the receiver)
